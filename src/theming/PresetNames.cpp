#include "theming/PresetNames.hpp"

#include "foundation/Device.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingPaths.hpp"

namespace theming {

namespace {

std::string problemText(fw::NameProblem problem)
{
    switch (problem) {
    case fw::NameProblem::Separator:
        return "a preset name cannot contain \"/\"";
    case fw::NameProblem::NullCharacter:
        return "a preset name cannot contain a null character";
    case fw::NameProblem::TooLong:
        return "a preset name has at most 249 bytes (a file name's 255, less \".plist\")";
    case fw::NameProblem::NotXmlText:
        break;
    }
    return "a preset name cannot contain control characters or characters that a property list "
           "cannot store";
}

} // namespace

std::string checkedPresetPath(std::string_view name, PresetUse use)
{
    if (name.empty())
        throw PresetNameRefused("the preset name is empty");
    auto problem = fw::fileNameProblem(name, plistSuffix);
    if (problem && (use == PresetUse::Write || *problem != fw::NameProblem::NotXmlText))
        throw PresetNameRefused(problemText(*problem));
    std::string path = std::string(presetsDirectory) + std::string(name) + std::string(plistSuffix);
    if (!fw::Device::resolvesInside(path))
        throw PresetNameRefused("the presets folder leads off the device through a link");
    return path;
}

} // namespace theming
