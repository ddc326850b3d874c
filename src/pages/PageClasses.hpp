#pragma once

namespace qln {

// Registers every page of the folder (the base page, the root page with its header, the section
// pages) for lookup by name.
void registerPageClasses();

} // namespace qln
