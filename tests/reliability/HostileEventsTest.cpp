// Every event of the protocol with each field missing or of every wrong type, in each state the
// host can be in: each is answered, and an event that cannot apply changes nothing at all.
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>

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
        { "closePicker", json::object() },
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
        json { { "index", 3 } }, -2147483648LL, 999999 };
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
                    // It applied after all (a wrong value the protocol allows): start over.
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
