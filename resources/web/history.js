// Undo and Redo beside the navigation bar, their keyboard shortcuts, and the
// notice after a change that replaced several colours at once.

import { createNoticeTracker, historyShortcut } from "./history-model.js";

const NOTICE_MS = 6000;

// SF Symbols' arrow.uturn.backward and arrow.uturn.forward, drawn simply.
const UNDO_GLYPH =
  '<svg viewBox="0 0 22 20" aria-hidden="true" focusable="false"><path d="M7 2 2 7l5 5M2.5 7H14a6 6 0 0 1 0 12h-3" ' +
  'fill="none" stroke="currentColor" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/></svg>';
const REDO_GLYPH =
  '<svg viewBox="0 0 22 20" aria-hidden="true" focusable="false"><path d="M15 2l5 5-5 5M19.5 7H8a6 6 0 0 0 0 12h3" ' +
  'fill="none" stroke="currentColor" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/></svg>';

function button(className, glyph, testid) {
  const node = document.createElement("button");
  node.type = "button";
  node.className = `history-button ${className}`;
  node.dataset.testid = testid;
  node.innerHTML = glyph;
  return node;
}

function describe(node, verb, label) {
  const text = label ? `${verb} ${label}` : `Nothing to ${verb.toLowerCase()}`;
  node.disabled = !label;
  node.title = text;
  node.setAttribute("aria-label", label ? text : verb);
}

export function createHistoryControls(bar, phone, { post, isModalOpen }) {
  const isMac = /Mac|iPhone|iPad/.test(navigator.platform ?? "");
  const undo = button("history-undo", UNDO_GLYPH, "history-undo");
  const redo = button("history-redo", REDO_GLYPH, "history-redo");
  undo.addEventListener("click", () => post({ event: "undo" }));
  redo.addEventListener("click", () => post({ event: "redo" }));
  bar.replaceChildren(undo, redo);
  describe(undo, "Undo", null);
  describe(redo, "Redo", null);

  const notice = document.createElement("div");
  notice.className = "history-notice";
  notice.setAttribute("role", "status");
  notice.dataset.testid = "history-notice";
  const text = document.createElement("span");
  text.className = "history-notice-text";
  const undoNotice = document.createElement("button");
  undoNotice.type = "button";
  undoNotice.className = "history-notice-undo";
  undoNotice.textContent = "Undo";
  notice.append(text, undoNotice);
  notice.hidden = true;
  phone.append(notice);

  let timer = null;
  const hide = () => {
    clearTimeout(timer);
    notice.hidden = true;
  };
  undoNotice.addEventListener("click", () => {
    hide();
    post({ event: "undo" });
  });
  const show = (message) => {
    text.textContent = message;
    notice.hidden = false;
    clearTimeout(timer);
    timer = setTimeout(hide, NOTICE_MS);
  };

  document.addEventListener("keydown", (e) => {
    const action = historyShortcut(e, isMac);
    if (!action || isModalOpen()) return;
    e.preventDefault();
    const target = action === "undo" ? undo : redo;
    if (!target.disabled) post({ event: action });
  });

  const tracker = createNoticeTracker();
  return {
    update(screen) {
      const history = screen.history ?? {};
      describe(undo, "Undo", history.undo ?? null);
      describe(redo, "Redo", history.redo ?? null);
      const message = tracker.next(history);
      if (message) show(message);
      // The step the notice offers to undo is no longer the last one.
      else if (!notice.hidden && !history.notice) hide();
    },
  };
}
