#pragma once

#include "preferences/PSListController.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A page whose rows come from a function the test sets; it logs the actions performed on it,
// the drags the table reports and the values stored through its setter.
class TestPage : public fw::PSListController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    const fw::SpecifierList& specifiers() override;
    void setPreferenceValue(
        const fw::Value& value, const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    void tableView(const std::shared_ptr<fw::UITableView>& tableView, const fw::NSIndexPath& from,
        const fw::NSIndexPath& to) override;

    std::function<fw::SpecifierList(TestPage&)> build;
    int builds { 0 };
    std::vector<std::string> calls;
    std::vector<std::pair<fw::NSIndexPath, fw::NSIndexPath>> moves;
    std::vector<fw::Value> storedValues;
};

// A cell that logs its window changes, refreshes and layouts.
class LoggingCell : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    std::optional<double> preferredHeightForWidth(double width) override;
    void refreshCellContentsWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& s) override;
    void didMoveToWindow() override;

    std::vector<std::string> log;
};

// A cell class whose initialiser answers "nil".
class NilCell : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int, const std::string&, const std::shared_ptr<fw::PSSpecifier>&) override
    {
        return false;
    }
};

// A picker row that, like the bundle's colour cell, keeps reported colours itself and stores
// the last one through its parent when the picker closes.
class TestPickerCell : public fw::SparkColourPickerCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    void colourPicker(
        const std::shared_ptr<fw::SparkColourPickerView>& view, const fw::UIColor& colour) override;
    void dismissPicker() override;
    void updateCellDisplay() override { ++displayUpdates; }

    std::vector<fw::UIColor> heard;
    int dismissals { 0 };
    int displayUpdates { 0 };
};

// Registers the test classes for lookup by name, with the framework's own.
void registerTestClasses();

// A row of `page` built as pages build rows in code.
std::shared_ptr<fw::PSSpecifier> makeRow(
    const std::shared_ptr<TestPage>& page, std::string name, int cellType = fw::PSStaticTextCell);
