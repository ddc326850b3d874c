#pragma once

#include "cells/QLNColorPicker.hpp"
#include "foundation/Journal.hpp"
#include "foundation/PropertyList.hpp"
#include "pages/QLNBaseController.hpp"
#include "store/Settings.hpp"

#include <functional>
#include <string>
#include <vector>

// A page whose rows are built in code: every build makes new row objects, as a page that loads
// its layout file again does, so a reload gives new cells.
class CellTestPage : public qln::QLNBaseController {
public:
    using Builder = std::function<fw::SpecifierList(const fw::Id& target)>;

    explicit CellTestPage(Builder builder)
        : m_builder(std::move(builder))
    {
    }

    const fw::SpecifierList& specifiers() override
    {
        if (_specifiers)
            return *_specifiers;
        ++builds;
        _specifiers = m_builder(shared_from_this());
        return *_specifiers;
    }

    std::shared_ptr<fw::PSSpecifier> rowWithKey(std::string_view key)
    {
        for (const auto& row : specifiers()) {
            if (const std::string* k = row->stringForKey("key"); k && *k == key)
                return row;
        }
        return nullptr;
    }

    template <class Cell> std::shared_ptr<Cell> cellWithKey(std::string_view key)
    {
        return std::dynamic_pointer_cast<Cell>(cellForSpecifier(rowWithKey(key)));
    }

    int builds { 0 };

private:
    Builder m_builder;
};

// A value row of the settings domain, as layout files describe them.
inline std::shared_ptr<fw::PSSpecifier> settingsRow(const fw::Id& target, std::string label,
    const fw::ClassDescriptor* cellClass, std::optional<std::string> key,
    int cellType = fw::PSLinkCell)
{
    auto row = fw::PSSpecifier::preferenceSpecifierNamed(std::move(label), target,
        "setPreferenceValue:specifier:", "readPreferenceValue:", nullptr, cellType, nullptr);
    if (cellClass)
        row->setProperty(cellClass, "cellClass");
    if (key)
        row->setProperty(fw::Value(*key), "key");
    row->setProperty(fw::Value(qln::settingsDomain), "defaults");
    return row;
}

inline std::shared_ptr<fw::PSSpecifier> colourRow(
    const fw::Id& target, std::string key, bool global = false)
{
    auto row = settingsRow(target, key, &qln::QLNColorPicker::classObject(), key);
    if (global)
        row->setProperty(fw::Value(true), "global");
    return row;
}

// Writes a file the test starts from, without leaving it in the journal.
inline void seedFile(std::string_view path, const fw::Dictionary& contents)
{
    fw::writeToFile(contents, path);
    fw::Journal::take();
}

// The journal's effects as "op path" / "post name" lines.
inline std::vector<std::string> effectLines(const fw::JournalEntries& entries)
{
    std::vector<std::string> lines;
    for (const auto& effect : entries.effects)
        lines.push_back(effect.op + " " + (effect.op == "post" ? effect.name : effect.path));
    return lines;
}
