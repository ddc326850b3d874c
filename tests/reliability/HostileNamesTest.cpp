// Names and exchange strings a user (or a web page that filled the pasteboard) might hand the
// presets page: each is refused with a message or stored inside the presets folder under
// exactly that name; nothing outside the folder ever changes.
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"
#include "foundation/Base64.hpp"
#include "foundation/PropertyList.hpp"
#include "presets/PresetExchange.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace reliability;

namespace {

const std::string kPresets = "com.tarrowvine.quillane.presets/";

// Every file of the device but the presets folder, the persistent file (which an activation
// changes) and the pasteboard.
FileMap outsideThePresets(const fs::path& root)
{
    FileMap files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        auto relative = fs::relative(it->path(), root).string();
        if (!it->is_regular_file() || relative.find(kPresets) != std::string::npos
            || relative.ends_with("persistent.plist")
            || relative == ".pasteboard.plist"
            // The history records the new preset, as it records every change.
            || relative.starts_with(".quillane-history"))
            continue;
        files[relative] = readWholeFile(it->path());
    }
    return files;
}

struct NameCase {
    const char* what;
    std::string name;
    bool refused;
};

std::vector<NameCase> nameCases()
{
    return {
        { "a slash", "a/b", true },
        { "only a slash", "/", true },
        { "a climb out", "../../../../etc/passwd", true },
        { "a NUL", std::string("a\0b", 3), true },
        { "10000 characters", std::string(10000, 'x'), true },
        { "two dots", "..", false },
        { "one dot", ".", false },
        { "emoji", "\xF0\x9F\x8E\xA8 Night \xF0\x9F\x8C\x99", false },
        { "nothing", "", false },
        { "a line break", "one\ntwo", false },
    };
}

// Creates (or imports) a preset under `name` and answers the alert title shown afterwards.
std::string storeUnder(UiDriver& ui, const std::string& name, bool import)
{
    if (import) {
        auto text = fw::xmlPropertyList(fw::Value(fw::Dictionary { { "x", fw::Value("y") } }));
        ui.send(event("pasteboard", { { "string", qln::PresetExchange::encode(text) } }));
    }
    ui.openPage("Presets");
    ui.send(event("tap", { { "row", rowByTitle(import ? "Import Preset" : "New Preset") } }));
    ui.send(event("alert", { { "button", "Save" }, { "text", { name } } }));
    return ui.modalTitle();
}

} // namespace

TEST(HostileNames, AreRefusedOrStoredInsideThePresetsFolder)
{
    for (bool import : { false, true }) {
        for (const auto& c : nameCases()) {
            SCOPED_TRACE(std::string(import ? "import, " : "create, ") + c.what);
            ScratchDevice device;
            UiDriver ui(device.root());
            ui.openPage("Presets");
            auto outside = outsideThePresets(device.root());

            auto told = storeUnder(ui, c.name, import);
            auto files = trackedFiles(device.root());
            std::size_t presets = 0;
            for (const auto& [path, contents] : files)
                presets += path.starts_with(kPresets) ? 1 : 0;
            EXPECT_EQ(outsideThePresets(device.root()), outside);
            if (c.refused) {
                EXPECT_EQ(told, "Invalid name");
                EXPECT_EQ(presets, 0u);
                continue;
            }
            EXPECT_EQ(told, "");
            EXPECT_EQ(presets, 1u);
            EXPECT_TRUE(files.count(kPresets + c.name + ".plist")) << "stored elsewhere";
            ui.dismissModals();
            auto shown = ui.presetNames();
            EXPECT_EQ(shown, std::vector<std::string> { c.name });
        }
    }
}

TEST(HostileExchangeStrings, AreRefusedWithAMessageAndWriteNothing)
{
    const std::string valid = qln::PresetExchange::encode("<plist><dict/></plist>");
    struct Case {
        const char* what;
        json pasteboard;
        const char* told;
    };
    auto text = [](std::string s) { return json { { "string", std::move(s) } }; };
    // "?" and ">" thrice encode to "Pz8/" and "Pj4+": letters the URL-safe alphabet replaces.
    std::string urlSafe = fw::base64Encode("Quillane:" + std::string(3, '?') + ">>>");
    std::replace(urlSafe.begin(), urlSafe.end(), '/', '_');
    std::replace(urlSafe.begin(), urlSafe.end(), '+', '-');
    std::string nonUtf8 = fw::base64Encode(std::string("Quillane:\xC0\xAF\xFF", 12));
    const Case cases[] = {
        { "nothing", json { { "clear", true } }, "Clipboard empty" },
        { "a picture", json { { "other", true } }, "Clipboard empty" },
        { "empty", text(""), "Import failed" },
        { "not Base64", text("Quillane:<plist/>"), "Import failed" },
        { "a space inside", text(valid.substr(0, 8) + " " + valid.substr(8)), "Import failed" },
        { "a line break after", text(valid + "\n"), "Import failed" },
        { "cut short", text(valid.substr(0, valid.size() - 3)), "Import failed" },
        { "padding missing", text(valid.substr(0, valid.find('='))), "Import failed" },
        { "padding doubled", text(valid + "=="), "Import failed" },
        { "URL-safe alphabet", text(urlSafe), "Import failed" },
        { "no prefix", text(fw::base64Encode("<plist><dict/></plist>")), "Import failed" },
        { "prefix in lower case", text(fw::base64Encode("quillane:<plist/>")), "Import failed" },
        { "no UTF-8 inside", text(nonUtf8), "Import failed" },
        // The pasteboard's property list cannot hold a NUL: the string never arrives.
        { "a NUL inside", text(std::string("UXVp\0bGxh", 9)), "Clipboard empty" },
        { "a megabyte of letters", text(std::string(1 << 20, 'A')), "Import failed" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDevice device;
        UiDriver ui(device.root());
        ui.openPage("Presets");
        ui.send(event("pasteboard", c.pasteboard));
        auto before = trackedFiles(device.root());
        ui.send(event("tap", { { "row", rowByTitle("Import Preset") } }));
        EXPECT_EQ(ui.modalTitle(), c.told);
        ui.dismissModals();
        EXPECT_EQ(trackedFiles(device.root()), before);
    }
}
