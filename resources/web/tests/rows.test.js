import { test } from "node:test";
import assert from "node:assert/strict";
import { splitSections } from "../table.js";
import { accessibleLabel, hasLongPress, isMovable, isTappable } from "../cells.js";
import { exportedText, isImportRow, pasteboardKey } from "../clipboard.js";
import { cssFont } from "../dom.js";
import { backLabel, backName } from "../nav.js";

test("group rows start sections; rows before the first group get one of their own", () => {
  const rows = [
    { index: 0, cell: "button" },
    { index: 1, cell: "group", title: "A" },
    { index: 2, cell: "switch" },
    { index: 3, cell: "link" },
    { index: 4, cell: "group", title: "" },
    { index: 5, cell: "group", title: "C" },
    { index: 6, cell: "static" },
  ];
  const sections = splitSections(rows);
  assert.deepEqual(
    sections.map((s) => [s.group?.index ?? null, s.rows.map((r) => r.index)]),
    [
      [null, [0]],
      [1, [2, 3]],
      [4, []],
      [5, [6]],
    ],
  );
  assert.deepEqual(splitSections([]), []);
  assert.deepEqual(splitSections(undefined), []);
});

test("what a row answers to follows its cell type and class", () => {
  const cases = [
    [{ cell: "button" }, { tap: true, long: false, move: false }],
    [{ cell: "link" }, { tap: true, long: false, move: false }],
    [{ cell: "switch" }, { tap: false, long: false, move: false }],
    [{ cell: "segment" }, { tap: false, long: false, move: false }],
    [{ cell: "static" }, { tap: false, long: false, move: false }],
    [
      { cell: "button", cellClass: "QLNColorPicker" },
      { tap: true, long: true, move: false },
    ],
    [
      { cell: "button", cellClass: "QLNColorPicker", longPress: false },
      { tap: true, long: false, move: false },
    ],
    [
      { cell: "static", longPress: true },
      { tap: false, long: true, move: false },
    ],
    [
      { cell: "static", cellClass: "QLNMovableCell" },
      { tap: false, long: false, move: true },
    ],
    [
      { cell: "button", reorder: true },
      { tap: true, long: false, move: true },
    ],
    [
      { cell: "group", cellClass: "QLNHeader" },
      { tap: false, long: false, move: false },
    ],
    [
      { cell: "button", cellClass: "QLNImage" },
      { tap: false, long: false, move: false },
    ],
  ];
  for (const [row, want] of cases) {
    const got = { tap: isTappable(row), long: hasLongPress(row), move: isMovable(row) };
    assert.deepEqual(got, want, JSON.stringify(row));
  }
});

test("only a new string on the pasteboard goes to the clipboard", () => {
  const none = pasteboardKey({ kind: "none" });
  const night = pasteboardKey({ kind: "string", string: "night" });
  assert.equal(exportedText(none, { kind: "string", string: "night" }), "night");
  assert.equal(exportedText(night, { kind: "string", string: "night" }), null);
  assert.equal(exportedText(night, { kind: "string", string: "day" }), "day");
  assert.equal(exportedText(none, { kind: "string", string: "" }), "");
  assert.equal(exportedText(night, { kind: "other" }), null);
  assert.equal(exportedText(night, { kind: "none" }), null);
  assert.equal(exportedText(none, undefined), null);
});

test("import rows are found by action or by title", () => {
  assert.ok(isImportRow({ title: "Import Preset" }));
  assert.ok(isImportRow({ title: "Bring in", action: "importPreset" }));
  assert.ok(!isImportRow({ title: "import preset" }));
  assert.ok(!isImportRow({ title: "New Preset", action: "newPreset" }));
});

test("platform fonts map to CSS", () => {
  assert.deepEqual(cssFont({ name: "HelveticaNeue-Light", size: 34 }), {
    fontSize: "34px",
    fontFamily: '"Helvetica Neue", Helvetica, Arial, sans-serif',
    fontWeight: "300",
  });
  assert.equal(cssFont({ name: "HelveticaNeue", size: 15 }).fontWeight, "400");
  assert.equal(cssFont({ name: "Avenir-BoldItalic", size: 12 }).fontStyle, "italic");
  assert.equal(cssFont({ name: "Avenir-BoldItalic", size: 12 }).fontWeight, "700");
  assert.equal(cssFont({ name: ".SFUI-Regular", size: 17 }).fontFamily, undefined);
  assert.equal(cssFont(null), null);
});

test("a row is named by what is seen on it, a colour row after its group", () => {
  const colour = { cell: "button", cellClass: "QLNColorPicker", title: "Background" };
  const swatch = {
    value: "#1A2B3C:0.500000",
    color: { rgba: [0.1, 0.17, 0.24, 0.5] },
    hidden: false,
  };
  const cases = [
    [{ ...colour, detail: "#1A2B3C 50%", swatch }, "Wi-Fi", "Background, #1A2B3C 50%, Wi-Fi"],
    [
      { ...colour, detail: "Default", swatch: { value: null, hidden: true } },
      "Wi-Fi",
      "Background, Default, Wi-Fi",
    ],
    [
      { ...colour, detail: "Default", swatch: { value: null, hidden: true } },
      "",
      "Background, Default",
    ],
    // A global row has no swatch and names no group.
    [{ ...colour, title: "Change All", detail: null, swatch: null }, "Wi-Fi", "Change All"],
    [{ cell: "link", title: "Presets" }, "General", "Presets"],
    [
      {
        cell: "button",
        cellClass: "QLNPreset",
        title: "Night",
        detailRuns: [{ text: "Unsaved" }, { text: ", Used for Dark Mode" }],
        accessory: "checkmark",
      },
      "",
      "Night, Unsaved, Used for Dark Mode, selected",
    ],
  ];
  for (const [row, section, want] of cases)
    assert.equal(accessibleLabel(row, section), want, JSON.stringify(row));
});

test("the back button reads the page beneath and is named after it once", () => {
  const seen = new Map([["QLNRootListController", "Quillane"]]);
  const titleOf = (cls) => seen.get(cls);
  const root = "QLNRootListController";
  const cases = [
    // page, stack, label, name
    [{ backTitle: "Connectivity" }, [root, "A", "B"], "Connectivity", "Back to Connectivity"],
    [{}, [root], "Settings", "Back to Settings"],
    [{}, [root, "QLNConnectivityController"], "Quillane", "Back to Quillane"],
    // A tab that has not seen the page beneath, from a host that does not name it.
    [{}, [root, "A", "B"], "Back", "Back"],
    [{ backTitle: "" }, [root, "A", "B"], "Back", "Back"],
  ];
  for (const [page, stack, label, name] of cases) {
    assert.equal(backLabel(page, stack, titleOf), label, JSON.stringify([page, stack]));
    assert.equal(backName(label), name);
  }
});
