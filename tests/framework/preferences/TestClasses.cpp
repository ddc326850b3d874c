#include "TestClasses.hpp"

#include "preferences/FrameworkClasses.hpp"

const fw::ClassDescriptor& TestPage::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c { "TestPage", &fw::PSListController::classObject(), {}, {} };
        c.make = [] { return std::make_shared<TestPage>(); };
        c.actions["plainAction"]
            = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
            static_cast<TestPage&>(self).calls.push_back(
                "plainAction/" + std::to_string(args.size()));
            return std::nullopt;
        };
        c.actions["actionWithRow:"]
            = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
            auto row = fw::argAs<fw::PSSpecifier>(args, 0);
            static_cast<TestPage&>(self).calls.push_back(
                "actionWithRow:" + (row ? row->name() : "-"));
            return std::nullopt;
        };
        return c;
    }();
    return cls;
}

const fw::SpecifierList& TestPage::specifiers()
{
    if (_specifiers)
        return *_specifiers;
    ++builds;
    _specifiers = build ? build(*this) : fw::SpecifierList {};
    return *_specifiers;
}

void TestPage::setPreferenceValue(
    const fw::Value& value, const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    storedValues.push_back(value);
    fw::PSListController::setPreferenceValue(value, specifier);
}

void TestPage::tableView(
    const std::shared_ptr<fw::UITableView>&, const fw::NSIndexPath& from, const fw::NSIndexPath& to)
{
    moves.emplace_back(from, to);
}

const fw::ClassDescriptor& LoggingCell::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c { "LoggingCell", &fw::PSTableCell::classObject(), {}, {} };
        c.make = [] { return std::make_shared<LoggingCell>(); };
        return c;
    }();
    return cls;
}

bool LoggingCell::initWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    log.push_back("initWithSpecifier");
    return PSTableCell::initWithSpecifier(specifier);
}

std::optional<double> LoggingCell::preferredHeightForWidth(double)
{
    return 100;
}

void LoggingCell::refreshCellContentsWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& s)
{
    PSTableCell::refreshCellContentsWithSpecifier(s);
    log.push_back("refresh");
}

void LoggingCell::didMoveToWindow()
{
    log.push_back(window() ? "in" : "out");
}

const fw::ClassDescriptor& NilCell::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c { "NilCell", &fw::PSTableCell::classObject(), {}, {} };
        c.make = [] { return std::make_shared<NilCell>(); };
        return c;
    }();
    return cls;
}

const fw::ClassDescriptor& TestPickerCell::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c { "TestPickerCell", &fw::SparkColourPickerCell::classObject(), {},
            {} };
        c.make = [] { return std::make_shared<TestPickerCell>(); };
        return c;
    }();
    return cls;
}

void TestPickerCell::colourPicker(
    const std::shared_ptr<fw::SparkColourPickerView>&, const fw::UIColor& colour)
{
    heard.push_back(colour);
}

void TestPickerCell::dismissPicker()
{
    ++dismissals;
    SparkColourPickerCell::dismissPicker();
    if (!heard.empty())
        SparkColourPickerCell::colourPicker(colourPickerView(), heard.back());
}

void registerTestClasses()
{
    fw::registerFrameworkClasses();
    fw::registerClass(TestPage::classObject());
    fw::registerClass(LoggingCell::classObject());
    fw::registerClass(NilCell::classObject());
    fw::registerClass(TestPickerCell::classObject());
}

std::shared_ptr<fw::PSSpecifier> makeRow(
    const std::shared_ptr<TestPage>& page, std::string name, int cellType)
{
    return fw::PSSpecifier::preferenceSpecifierNamed(
        std::move(name), page, "", "", nullptr, cellType, nullptr);
}
