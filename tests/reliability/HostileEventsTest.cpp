// Every event of the protocol with each field missing or of every wrong type, in each state the
// host can be in: each is answered, and an event that cannot apply changes nothing at all.
#include "BuildPaths.hpp"
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using namespace reliability;

namespace {

struct EventShape {
    const char* name;
    json sound; // every field with a plausible value
};

std::vector<EventShape> shapes()
{
    return {
        { "open", json::object() },
        { "tap", { { "row", rowByKey("brightnessFill") } } },
        { "longPress", { { "row", rowByKey("brightnessFill") }, { "phase", "began" } } },
        { "switch", { { "row", rowByKey("slidersGlyphsFollowFill") }, { "value", true } } },
        { "segment", { { "row", rowByKey("slidersFillStyle") }, { "index", 0 } } },
        { "alert", { { "button", "Cancel" }, { "text", { "x" } } } },
        { "pick", { { "color", "#FF0000" } } },
        { "closePicker", { { "color", "#FF0000" } } },
        { "cancelPicker", json::object() },
        { "barButton", json::object() },
        { "back", json::object() },
        { "move", { { "from", 0 }, { "to", 1 } } },
        { "settle", { { "ms", 0 } } },
        { "pasteboard", { { "string", "x" }, { "other", true }, { "clear", true } } },
        { "notify", { { "center", "darwin" }, { "name", "x" } } },
    };
}

std::vector<json> wrongValues()
{
    return { nullptr, true, 1.5, -1, 2147483648LL, -9223372036854775807LL, 1e300, "text", "",
        json::array(), json::object(), json::array({ 1, 2 }), json { { "a", 1 } },
        std::string(100000, 'x'), std::string("\0\x01", 2) };
}

std::vector<json> wrongRows()
{
    return { json { { "section", "x" }, { "row", 1 } }, json { { "section", 1 } },
        json { { "title", 5 } }, json { { "key", nullptr } },
        json { { "fileName", json::array() } },
        json { { "section", 2147483647 }, { "row", -2147483647 } }, json { { "title", "\u0000" } },
        json { { "index", 3 } }, -2147483648LL, 999999,
        // Past the range of an int: read as one, they would wrap onto row 1 and row -1.
        4294967297LL, json(std::numeric_limits<std::uint64_t>::max()) };
}

// The variants of one event: with no fields, and with each field replaced by each wrong value.
std::vector<json> variants(const EventShape& shape)
{
    std::vector<json> all { event(shape.name) };
    for (const auto& [field, value] : shape.sound.items()) {
        auto values = wrongValues();
        if (field == "row") {
            auto rows = wrongRows();
            values.insert(values.end(), rows.begin(), rows.end());
        }
        for (const auto& wrong : values) {
            auto broken = shape.sound;
            broken[field] = wrong;
            all.push_back(event(shape.name, broken));
        }
        auto missing = shape.sound;
        missing.erase(field);
        all.push_back(event(shape.name, missing));
    }
    return all;
}

// The same events with a field the protocol does not know, which it allows ("add fields
// freely"): the unknown field must change nothing about the verdict.
std::vector<json> withExtraField(const EventShape& shape)
{
    auto with = [](json e, const char* field, json value) {
        e[field] = std::move(value);
        return e;
    };
    auto sound = event(shape.name, shape.sound);
    return { with(sound, "comment", "x"),
        with(sound, "futureField", { { "nested", json::array({ 1, "x" }) } }),
        with(event(shape.name), "extra", nullptr) };
}

bool isRowNumber(const json& number)
{
    return number.is_number_integer() && number >= 0 && number <= INT32_MAX;
}

bool isRowAddress(const json& row)
{
    if (row.is_number_integer())
        return isRowNumber(row);
    if (!row.is_object() || row.size() != (row.contains("section") ? 2u : 1u))
        return false;
    if (row.contains("section"))
        return isRowNumber(row["section"]) && row.contains("row") && isRowNumber(row["row"]);
    for (const char* key : { "title", "key", "fileName" }) {
        if (row.contains(key))
            return row[key].is_string();
    }
    return false;
}

// What makes an event one the protocol cannot accept whatever the state: a required field
// missing or a field of the wrong type. Fields the protocol does not name are allowed.
std::optional<std::string> breaksTheProtocol(const json& e)
{
    const std::string name = e["event"];
    auto isInt = [&](const char* f) { return e.contains(f) && e[f].is_number_integer(); };
    auto isBool = [&](const char* f) { return e.contains(f) && e[f].is_boolean(); };
    auto isString = [&](const char* f) { return e.contains(f) && e[f].is_string(); };
    auto optional = [&](const char* f, bool ok) { return !e.contains(f) || ok; };
    bool rowOk = e.contains("row") && isRowAddress(e["row"]);
    bool ok = true;
    if (name == "tap")
        ok = rowOk;
    else if (name == "longPress")
        ok = rowOk
            && optional("phase",
                isString("phase")
                    && (e["phase"] == "began" || e["phase"] == "changed" || e["phase"] == "ended"));
    else if (name == "switch")
        ok = rowOk && isBool("value");
    else if (name == "segment")
        ok = rowOk && isInt("index");
    else if (name == "alert") {
        bool textOk = !e.contains("text") || e["text"].is_array();
        if (textOk && e.contains("text")) {
            for (const auto& text : e["text"])
                textOk = textOk && text.is_string();
        }
        ok = isString("button") && textOk;
    } else if (name == "pick")
        ok = isString("color");
    else if (name == "closePicker")
        ok = optional("color", isString("color"));
    else if (name == "move")
        ok = isInt("from") && isInt("to");
    else if (name == "settle")
        ok = optional("ms", isInt("ms"));
    else if (name == "pasteboard")
        ok = optional("string", isString("string")) && optional("other", isBool("other"))
            && optional("clear", isBool("clear"))
            && (isString("string") || (isBool("other") && e["other"] == true)
                || (isBool("clear") && e["clear"] == true));
    else if (name == "notify")
        ok = isString("center") && (e["center"] == "darwin" || e["center"] == "distributed")
            && isString("name");
    if (ok)
        return std::nullopt;
    return "not a form of '" + name + "' the protocol accepts";
}

// The README's table of these events, as it stands there: the counts are held to it.
std::string documentedEventTable()
{
    std::ifstream readme(fs::path(QLN_SOURCE_DIR) / "README.md");
    std::string table, line;
    while (std::getline(readme, line)) {
        if (table.empty() && !line.starts_with("| Event | malformed variants"))
            continue;
        if (!line.starts_with("|"))
            break;
        table += line + "\n";
    }
    return table;
}

struct State {
    const char* name;
    std::function<void(UiDriver&)> reach;
};

std::vector<State> states()
{
    return {
        { "the Settings app's list",
            [](UiDriver& ui) {
                ui.toRoot();
                ui.send(event("back"));
            } },
        { "a page", [](UiDriver& ui) { ui.openPage("Sliders"); } },
        { "the colour picker",
            [](UiDriver& ui) {
                ui.openPage("Sliders");
                ui.send(event("tap", { { "row", rowByKey("brightnessFill") } }));
            } },
        { "an alert",
            [](UiDriver& ui) {
                ui.toRoot();
                ui.send(event("tap", { { "row", rowByTitle("Reset All Settings") } }));
            } },
    };
}

} // namespace

TEST(HostileEvents, AreAnsweredAndChangeNothingWhenRefused)
{
    // Per event: variants answered, and of those refused, in each state.
    std::map<std::string, std::pair<long, long>> counts;
    long answered = 0, refused = 0;
    std::ostringstream accepted;
    for (const auto& state : states()) {
        ScratchDevice device;
        UiDriver ui(device.root());
        state.reach(ui);
        for (const auto& shape : shapes()) {
            for (const auto& bad : variants(shape)) {
                SCOPED_TRACE(std::string(state.name) + ": " + bad.dump().substr(0, 200));
                auto files = trackedFiles(device.root());
                auto stack = ui.screen()["stack"];
                auto modal = ui.screen()["modal"];
                ASSERT_NO_THROW(ui.send(bad));
                ++answered;
                auto& count = counts[shape.name];
                ++count.first;
                const auto& screen = ui.screen();
                ASSERT_TRUE(screen.contains("stack"));
                if (!screen.contains("error") || screen["error"].is_null()) {
                    // It applied after all: a wrong value the protocol allows, never another.
                    auto broken = breaksTheProtocol(bad);
                    EXPECT_FALSE(broken) << *broken;
                    accepted << state.name << ": " << bad.dump().substr(0, 200) << "\n";
                    state.reach(ui);
                    continue;
                }
                ++refused;
                ++count.second;
                EXPECT_TRUE(screen["error"].is_string());
                EXPECT_EQ(screen["stack"], stack);
                EXPECT_EQ(screen["modal"], modal);
                EXPECT_TRUE(screen["effects"].empty());
                EXPECT_EQ(trackedFiles(device.root()), files);
            }
        }
    }
    std::string table
        = "| Event | malformed variants × 4 states | refused, nothing changed |\n|---|---|---|\n";
    for (const auto& [name, count] : counts)
        table += "| `" + name + "` | " + std::to_string(count.first) + " | "
            + std::to_string(count.second) + " |\n";
    fs::create_directories(fs::path(QLN_BINARY_DIR) / "reliability");
    std::ofstream(fs::path(QLN_BINARY_DIR) / "reliability" / "event-table.md") << table;
    std::ofstream(fs::path(QLN_BINARY_DIR) / "reliability" / "accepted-events.txt")
        << accepted.str();
    EXPECT_EQ(table, documentedEventTable()) << "the README's event table is out of date";
    recordFigure("hostile-events",
        std::to_string(answered) + " malformed events answered, " + std::to_string(refused)
            + " refused without a change");
}

TEST(HostileEvents, InputThatIsNoEventIsAnsweredWithAnError)
{
    ScratchDevice device;
    host::Session session(device.root());
    std::string deep(200000, '[');
    deep += std::string(200000, ']');
    const std::string inputs[] = { "", "not json", "{", "[]", "1", "\"open\"", "null",
        R"({"event": 5})", R"({"event": null})", R"({"event": "fly"})", "{}",
        R"({"event": "open", "event": "tap"})", "{\"event\": \"open\xFF\"}", "1e999999", deep,
        "{\"event\": \"tap\", \"row\": " + deep + "}" };
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.substr(0, 80));
        host::EventAnswer answer;
        ASSERT_NO_THROW(answer = session.handle(input));
        auto screen = json::parse(answer.screen);
        EXPECT_FALSE(answer.applied);
        EXPECT_TRUE(screen["error"].is_string());
    }
}

TEST(HostileEvents, AFieldTheProtocolDoesNotNameChangesNoVerdict)
{
    long checked = 0;
    for (const auto& state : states()) {
        for (const auto& shape : shapes()) {
            for (const auto& extended : withExtraField(shape)) {
                SCOPED_TRACE(std::string(state.name) + ": " + extended.dump());
                json plain = extended;
                for (const char* field : { "comment", "futureField", "extra" })
                    plain.erase(field);
                std::vector<json> screens;
                for (const auto& form : { plain, extended }) {
                    ScratchDevice device;
                    UiDriver ui(device.root());
                    state.reach(ui);
                    screens.push_back(ui.send(form));
                }
                EXPECT_EQ(screens[0]["error"].is_null(), screens[1]["error"].is_null());
                EXPECT_EQ(screens[0]["stack"], screens[1]["stack"]);
                EXPECT_EQ(screens[0]["modal"], screens[1]["modal"]);
                EXPECT_EQ(screens[0]["effects"].size(), screens[1]["effects"].size());
                ++checked;
            }
        }
    }
    recordFigure("extra-fields",
        std::to_string(checked) + " events with an unknown field judged as without it");
}
