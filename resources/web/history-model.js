// What the history controls decide, apart from the page: which keys undo and
// redo, and which step's notice is new.

const TEXT_INPUT_TYPES = new Set([
  "text",
  "search",
  "email",
  "url",
  "tel",
  "password",
  "number",
  "",
]);

// A text field keeps its own undo: the shortcut is not ours there.
export function isTextEntry(node) {
  if (!node) return false;
  if (node.isContentEditable) return true;
  const tag = (node.tagName ?? "").toLowerCase();
  if (tag === "textarea") return true;
  return tag === "input" && TEXT_INPUT_TYPES.has((node.type ?? "").toLowerCase());
}

// "undo" for Ctrl+Z (⌘Z on a Mac keyboard), "redo" with Shift, or for
// Ctrl+Y as Linux and Windows redo; else null.
export function historyShortcut(e, isMac) {
  const command = isMac ? e.metaKey && !e.ctrlKey : e.ctrlKey && !e.metaKey;
  if (!command || e.altKey || isTextEntry(e.target)) return null;
  const key = (e.key ?? "").toLowerCase();
  if (key === "z") return e.shiftKey ? "redo" : "undo";
  if (key === "y" && !isMac && !e.shiftKey) return "redo";
  return null;
}

// Steps are numbered in the order they were made, so a notice is new only
// when its step is newer than every step seen: moving back and forth through
// the history never repeats one. The first screen only sets where we start.
export function createNoticeTracker() {
  let newest = null;
  return {
    next(history) {
      const notice = history?.notice ?? null;
      const step = typeof notice?.step === "number" ? notice.step : null;
      if (newest === null) {
        newest = step ?? 0;
        return null;
      }
      if (step === null || step <= newest) return null;
      newest = step;
      return typeof notice.text === "string" && notice.text ? notice.text : null;
    },
  };
}
