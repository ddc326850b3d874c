#pragma once

namespace qln {

// Registers the bundle's custom cell classes for lookup by name.
void registerCellClasses();

} // namespace qln
