import { test } from "node:test";
import assert from "node:assert/strict";
import { createNoticeTracker, historyShortcut, isTextEntry } from "../history-model.js";

const key = (fields) => ({
  key: "z",
  ctrlKey: false,
  metaKey: false,
  shiftKey: false,
  altKey: false,
  target: null,
  ...fields,
});

test("the history shortcuts, per keyboard, and never inside a text field", () => {
  const field = { tagName: "INPUT", type: "text" };
  const cases = [
    [key({ ctrlKey: true }), false, "undo"],
    [key({ ctrlKey: true, shiftKey: true, key: "Z" }), false, "redo"],
    [key({ metaKey: true }), true, "undo"],
    [key({ metaKey: true, shiftKey: true, key: "Z" }), true, "redo"],
    // The other platform's modifier, extra modifiers or another key are not ours.
    [key({ metaKey: true }), false, null],
    [key({ ctrlKey: true }), true, null],
    [key({ ctrlKey: true, altKey: true }), false, null],
    // Redo as Linux and Windows spell it; a Mac keyboard has ⇧⌘Z only.
    [key({ ctrlKey: true, key: "y" }), false, "redo"],
    [key({ ctrlKey: true, key: "Y", shiftKey: true }), false, null],
    [key({ metaKey: true, key: "y" }), true, null],
    [key({ ctrlKey: true, key: "y", target: { tagName: "INPUT", type: "text" } }), false, null],
    [key({ ctrlKey: true, key: "x" }), false, null],
    [key({}), false, null],
    [key({ ctrlKey: true, target: field }), false, null],
    [key({ ctrlKey: true, target: { tagName: "TEXTAREA" } }), false, null],
    [key({ ctrlKey: true, target: { tagName: "DIV", isContentEditable: true } }), false, null],
    [key({ ctrlKey: true, target: { tagName: "INPUT", type: "range" } }), false, "undo"],
    [key({ ctrlKey: true, target: { tagName: "BUTTON" } }), false, "undo"],
  ];
  for (const [event, isMac, expected] of cases)
    assert.equal(historyShortcut(event, isMac), expected, JSON.stringify({ event, isMac }));
  assert.equal(isTextEntry(null), false);
});

test("a notice shows once, for a step newer than any seen, never on the first screen", () => {
  const tracker = createNoticeTracker();
  const screens = [
    [{ undo: "Load “Night”", notice: { step: 4, text: "old" } }, null],
    [{ undo: "Wi-Fi Background", notice: null }, null],
    [
      { undo: "Change All — Toggles", notice: { step: 6, text: "12 colours changed." } },
      "12 colours changed.",
    ],
    // The same screen again, after an undo back to an older notice, and a redo.
    [{ undo: "Change All — Toggles", notice: { step: 6, text: "12 colours changed." } }, null],
    [{ undo: "Load “Night”", notice: { step: 4, text: "old" } }, null],
    [{ undo: "Change All — Toggles", notice: { step: 6, text: "12 colours changed." } }, null],
    [{ undo: "Dark Mode applied “Night”", notice: { step: 9, text: "replaced" } }, "replaced"],
    [undefined, null],
  ];
  for (const [history, expected] of screens)
    assert.equal(tracker.next(history), expected, JSON.stringify(history));
});
