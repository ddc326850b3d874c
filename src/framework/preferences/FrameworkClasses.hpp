#pragma once

namespace fw {

// Registers the framework's view, page and cell classes for lookup by name (NSClassFromString),
// as layout files and pages find them. Safe to call more than once.
void registerFrameworkClasses();

} // namespace fw
