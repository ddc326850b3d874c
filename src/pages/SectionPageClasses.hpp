#pragma once

namespace qln {

// Makes the section pages known by name, so that link rows of layout files can open them.
void registerSectionPageClasses();

} // namespace qln
