#pragma once

namespace qln {

// Makes every class of the bundle known by name, as loading the bundle does on the device.
void registerBundleClasses();

} // namespace qln
