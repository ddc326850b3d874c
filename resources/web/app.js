// The browser host: holds the latest screen, sends the user's events, listens
// to the server's stream and redraws.

import { cssColour, legibleVariants } from "./colours.js";
import { createEventQueue } from "./queue.js";
import { renderNav } from "./nav.js";
import { renderTable, renderSettingsList } from "./table.js";
import { createAlert } from "./alert.js";
import { createPicker } from "./picker.js";
import { editedStateOf, goToRow } from "./find-row.js";
import { createPreview } from "./preview.js";
import { attachWallpaper } from "./wallpaper.js";
import { attachDevicePanel } from "./device.js";
import { attachPhoneSharing } from "./phone-share.js";
import { setupViews, WIDE_QUERY } from "./views.js";
import { createHistoryControls } from "./history.js";
import { createPresetTools } from "./tools.js";
import {
  exportedText,
  isImportRow,
  pasteboardKey,
  readClipboard,
  writeClipboard,
} from "./clipboard.js";

const TOAST_MS = 3500;

const dom = {
  phone: document.getElementById("phone"),
  nav: document.getElementById("nav"),
  page: document.getElementById("page"),
  modal: document.getElementById("modal"),
  toast: document.getElementById("toast"),
  preview: document.getElementById("preview"),
  previewContent: document.getElementById("preview-content"),
  views: document.getElementById("view-switch"),
  history: document.getElementById("history-bar"),
  tools: document.getElementById("tools"),
};

const state = {
  screen: null,
  pageJson: null,
  around: null,
  depth: -1,
  titles: new Map(),
  pasteboard: "none",
  modal: null, // { json, kind, component, backdrop }
  focusBeforeModal: null, // { key, title, page } of what opened the dialog
};

const queue = createEventQueue(sendEvent);

// ---- server ------------------------------------------------------------

// Resolves once the server has answered; what it resolves to reads and draws the answer.
async function sendEvent(event) {
  let response;
  try {
    response = await fetch("/api/event", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(event),
    });
  } catch {
    showToast("The settings host cannot be reached.");
    return null;
  }
  return () => receiveAnswer(event, response);
}

async function receiveAnswer(event, response) {
  const before = state.pasteboard;
  let screen = null;
  try {
    screen = await response.json();
  } catch {
    // Not a screen: reported below.
  }
  if (!screen || typeof screen !== "object" || !Array.isArray(screen.stack)) {
    showToast(`The settings host answered ${response.status}.`);
    return;
  }
  if (typeof screen.error === "string" && screen.error) showToast(screen.error);
  else if (!response.ok) showToast(`The settings host answered ${response.status}.`);
  receive(screen, { force: Boolean(screen.error) || !response.ok });
  // Only an event of the user's own may write the real clipboard, and the
  // text the user just pasted in need not go back.
  const text = event.event === "pasteboard" ? null : exportedText(before, screen.pasteboard);
  if (text !== null) writeClipboard(text);
}

function post(event, coalesce = null) {
  return queue.enqueue(event, coalesce);
}

async function tap(row) {
  if (isImportRow(row)) {
    const text = await readClipboard();
    if (text !== null) post({ event: "pasteboard", string: text });
  }
  return post({ event: "tap", row: row.index });
}

function longPress(row, phase) {
  const event = { event: "longPress", row: row.index };
  if (phase) event.phase = phase;
  return post(event, phase === "changed" ? "longPress-changed" : null);
}

async function loadScreen() {
  try {
    const response = await fetch("/api/screen", { headers: { Accept: "application/json" } });
    const screen = await response.json();
    if (screen && Array.isArray(screen.stack)) receive(screen);
  } catch {
    showToast("The settings host cannot be reached.");
  }
}

// The server sends no palette while a drag goes on (the picture draws the picker's colour), and
// the one after a picker closes holds the colour stored or the one it went back to: the closed
// picker's colour stays drawn until it comes, or at most PENDING_HOLD_MS, so the picture never
// shows the colour from before the drag in between.
const PENDING_HOLD_MS = 1000;
let pendingHold = null;

function releasePending() {
  if (pendingHold === null) return;
  clearTimeout(pendingHold);
  pendingHold = null;
  preview.showPending(null);
}

function holdPending() {
  clearTimeout(pendingHold);
  pendingHold = setTimeout(releasePending, PENDING_HOLD_MS);
}

function listen() {
  if (typeof EventSource !== "function") return;
  const stream = new EventSource("/api/stream");
  stream.addEventListener("message", (e) => {
    let screen;
    try {
      screen = JSON.parse(e.data);
    } catch {
      return;
    }
    if (screen && Array.isArray(screen.stack)) receive(screen);
  });
  // The theming component's palette, after each change it sees.
  stream.addEventListener("preview", (e) => {
    let palette;
    try {
      palette = JSON.parse(e.data);
    } catch {
      return; // a partial message: the next one brings the whole palette
    }
    releasePending();
    preview.receive(palette);
  });
}

// ---- toast -------------------------------------------------------------

let toastTimer = null;
function showToast(message) {
  dom.toast.textContent = message;
  dom.toast.classList.add("visible");
  clearTimeout(toastTimer);
  toastTimer = setTimeout(() => {
    dom.toast.classList.remove("visible");
    toastTimer = setTimeout(() => (dom.toast.textContent = ""), 300);
  }, TOAST_MS);
}

// ---- rendering ---------------------------------------------------------

const ctx = {
  post,
  tap,
  longPress,
  pageClass: null,
};

function focusKeyOf(node) {
  return node?.closest?.("[data-focus-key]")?.dataset.focusKey ?? null;
}

const rowTitleOf = (node) => node?.closest?.("[data-title]")?.dataset.title;
// The page drawn now (renderPage sets both before dialogs open or close).
const shownPage = () => `${state.depth}:${ctx.pageClass ?? ""}`;

// What opened a dialog, so focus can go back to it when the dialog closes.
function focusOrigin(node) {
  return { key: focusKeyOf(node), title: rowTitleOf(node), page: shownPage() };
}

// Back to the element that opened the dialog (found by its row's title when
// a redraw moved the row, as a new preset does), else the page's heading:
// focus must not fall to <body>, where the keyboard starts over.
function focusAfterModal(origin) {
  const samePage = origin && origin.page === shownPage();
  const candidates = [];
  if (samePage && origin.key) {
    candidates.push(...document.querySelectorAll(`[data-focus-key="${CSS.escape(origin.key)}"]`));
  }
  if (samePage && origin.title) {
    candidates.push(
      ...dom.page.querySelectorAll(
        `.cell[data-title="${CSS.escape(origin.title)}"][data-focus-key]`,
      ),
    );
  }
  const target =
    candidates.find(
      (n) => n.offsetParent !== null && (!origin.title || rowTitleOf(n) === origin.title),
    ) ?? document.getElementById("page-title");
  target?.focus({ preventScroll: true });
}

// A redraw replaces the focused element; focus goes to its successor. On
// another page a row of the same number is a different row, so focus goes
// to the page itself instead.
function restoreFocus(key, pageChanged) {
  const active = document.activeElement;
  if (active && active !== document.body && active.isConnected) return;
  const rowKey = /^(row|switch|segment|handle):/.test(key ?? "");
  const target =
    key && !(pageChanged && rowKey)
      ? document.querySelector(`[data-focus-key="${CSS.escape(key)}"]`)
      : null;
  if (target) target.focus({ preventScroll: true });
  else if (key) dom.page.focus({ preventScroll: true });
}

function applyTint(page) {
  const tint = page ? cssColour(page.tint) : null;
  const text = tint ? legibleVariants(page.tint) : null;
  const style = dom.phone.style;
  if (tint) style.setProperty("--tint", tint);
  else style.removeProperty("--tint");
  for (const look of ["light", "dark"]) {
    if (text) style.setProperty(`--tint-text-${look}`, text[look]);
    else style.removeProperty(`--tint-text-${look}`);
  }
}

// The page as the table draws it. A swatch's colour value string is not drawn
// (its colour is), and it follows every move of a drag: a new one alone must
// not rebuild the table.
function drawnPage(page) {
  if (!Array.isArray(page?.rows)) return page;
  const rows = page.rows.map((row) =>
    row?.swatch && typeof row.swatch === "object"
      ? { ...row, swatch: { ...row.swatch, value: undefined } }
      : row,
  );
  return { ...page, rows };
}

// Redraws the table when the page changed (`drawn`: the page as drawnPage
// gives it); answers whether another page (not a new state of the same one) is
// now shown.
function renderPage(screen, drawn, force) {
  const page = screen.page ?? null;
  const json = JSON.stringify(drawn);
  if (!force && json === state.pageJson) return false;
  const depth = screen.stack.length;
  const samePage = depth === state.depth && page?.class === state.screen?.page?.class;
  const scrollTop = dom.page.scrollTop;
  ctx.pageClass = page?.class ?? null;
  if (page) renderTable(dom.page, page, ctx);
  else renderSettingsList(dom.page, ctx);
  dom.page.setAttribute("aria-labelledby", "page-title");
  if (samePage) {
    dom.page.scrollTop = scrollTop;
  } else {
    dom.page.scrollTop = 0;
    const direction = state.depth < 0 ? null : depth > state.depth ? "push" : "pop";
    if (direction) animatePage(direction);
  }
  state.pageJson = json;
  state.depth = depth;
  return !samePage;
}

function animatePage(direction) {
  dom.page.classList.remove("push", "pop");
  void dom.page.offsetWidth; // restart the animation
  dom.page.classList.add(direction);
}

function closeModal() {
  if (!state.modal) return;
  if (state.modal.kind === "picker") holdPending();
  preview.setEditing(null);
  state.modal = null;
  dom.modal.replaceChildren();
  dom.modal.hidden = true;
  delete dom.modal.dataset.modalStyle;
  dom.page.inert = false;
  dom.nav.inert = false;
  const origin = state.focusBeforeModal;
  state.focusBeforeModal = null;
  focusAfterModal(origin);
}

function rowTitle(screen, index) {
  return screen.page?.rows?.find((r) => r.index === index)?.title ?? "";
}

// The keys a picker writes when it closes: its row's, or for "Change All"
// those of every colour row of the page but the containers, as it spreads.
function pickerKeys(screen, index) {
  const rows = screen.page?.rows ?? [];
  const row = rows.find((r) => r.index === index);
  if (!row?.key) return [];
  if (!row.key.endsWith("GlobalPicker")) return [row.key];
  return rows
    .filter(
      (r) => r.cellClass === "QLNColorPicker" && r.key && !r.key.includes("ContainerBackground"),
    )
    .map((r) => r.key);
}

function openModal(modal, screen) {
  releasePending();
  const kind =
    modal.style === "picker" ? "picker" : modal.style === "actionSheet" ? "actionSheet" : "alert";
  const component =
    kind === "picker"
      ? createPicker(modal, rowTitle(screen, modal.row), {
          post,
          isPending: () => queue.isBusy(),
          close: (shown) =>
            post(shown ? { event: "closePicker", color: shown } : { event: "closePicker" }),
          backOut: () => post({ event: "cancelPicker" }),
          onColour: (colour) => preview.showPending(pickerKeys(screen, modal.row), colour),
          contrastFor: (colour) => preview.contrastFor(pickerKeys(screen, modal.row), colour),
          // Beside the preview (a wide screen) the copy would only repeat it.
          partPicture: () =>
            matchMedia(WIDE_QUERY).matches
              ? null
              : preview.partPicture(pickerKeys(screen, modal.row)),
        })
      : createAlert(modal, post);
  const backdrop = document.createElement("div");
  backdrop.className = `backdrop backdrop-${kind}`;
  // A tap beside an action sheet or the picker dismisses it, as on the phone.
  backdrop.addEventListener("click", (e) => {
    if (e.target !== backdrop || kind === "alert") return;
    (component.dismiss ?? component.cancel)?.();
  });
  backdrop.append(component.dialog);
  if (!state.modal) state.focusBeforeModal = focusOrigin(document.activeElement);
  dom.modal.replaceChildren(backdrop);
  dom.modal.hidden = false;
  dom.modal.dataset.modalStyle = modal.style ?? "alert";
  dom.page.inert = true;
  dom.nav.inert = true;
  state.modal = { json: JSON.stringify(modal), kind, component, row: modal.row };
  if (kind === "picker") preview.setEditing(pickerKeys(screen, modal.row));
  component.focus?.focus({ preventScroll: true });
}

// `force`: the answer to a refused event, whose screen the open picker takes
// even while this window's own events are on their way (a close refused
// because another window picked since must show that pick).
function renderModal(screen, force) {
  const modal = screen.modal;
  if (!modal) {
    closeModal();
    return;
  }
  const current = state.modal;
  if (
    current &&
    modal.style === "picker" &&
    current.kind === "picker" &&
    current.row === modal.row
  ) {
    current.component.update(modal, { force });
    return;
  }
  if (current && current.json === JSON.stringify(modal)) return;
  openModal(modal, screen);
}

function rememberTitles(screen) {
  const page = screen.page;
  if (page?.class && typeof page.title === "string") state.titles.set(page.class, page.title);
}

// ---- the browser's Back ---------------------------------------------------

// The browser's Back goes back a page of the settings, as the back button
// does, and from the Settings app's list leaves as on any site: while a page
// of the bundle is open, one entry of the browser's history stands for it.
// Over a dialog, Back answers as Escape does.
const BACK_ENTRY = "quillane-page";
let backEntry = history.state?.[BACK_ENTRY] === true;

function keepBackEntry(screen) {
  if (backEntry || screen.stack.length === 0) return;
  history.pushState({ [BACK_ENTRY]: true }, "");
  backEntry = true;
}

window.addEventListener("popstate", () => {
  backEntry = history.state?.[BACK_ENTRY] === true;
  if (backEntry || !state.screen?.stack?.length) return;
  if (state.modal) {
    state.modal.component.cancel?.();
    keepBackEntry(state.screen);
    return;
  }
  post({ event: "back" });
});

// The window as a screen draws it but for the open picker's colour: a drag
// changes only that (and a swatch's value, which is not drawn), and must not
// rebuild the window around the picker at every move.
function drawnAroundPicker(screen, drawn) {
  const modal = screen.modal && { ...screen.modal, color: undefined };
  return JSON.stringify({ ...screen, page: drawn, modal });
}

function receive(screen, { force = false } = {}) {
  const drawn = drawnPage(screen.page ?? null);
  const around = drawnAroundPicker(screen, drawn);
  if (!force && state.screen && around === state.around) {
    renderModal(screen, force);
    state.screen = screen;
    return;
  }
  state.around = around;
  const focusKey = focusKeyOf(document.activeElement);
  rememberTitles(screen);
  applyTint(screen.page);
  renderNav(dom.nav, screen, ctx, (cls) => state.titles.get(cls));
  const pageChanged = renderPage(screen, drawn, force);
  renderModal(screen, force);
  state.screen = screen;
  state.pasteboard = pasteboardKey(screen.pasteboard);
  preview.setEditedState(editedStateOf(screen));
  historyControls.update(screen);
  presetTools.update(screen);
  keepBackEntry(screen);
  if (!state.modal) restoreFocus(focusKey, pageChanged);
}

// ---- keyboard ----------------------------------------------------------

function focusables(root) {
  return [
    ...root.querySelectorAll(
      "button:not([disabled]), input:not([disabled]), [tabindex]:not([tabindex='-1'])",
    ),
  ].filter((n) => n.offsetParent !== null);
}

document.addEventListener("keydown", (e) => {
  if (!state.modal) return;
  if (e.key === "Escape") {
    e.preventDefault();
    state.modal.component.cancel?.();
    return;
  }
  if (e.key !== "Tab") return;
  // Keep focus inside the presented dialog.
  const items = focusables(dom.modal);
  if (items.length === 0) return;
  const i = items.indexOf(document.activeElement);
  const next = e.shiftKey
    ? i <= 0
      ? items.length - 1
      : i - 1
    : i === items.length - 1
      ? 0
      : i + 1;
  e.preventDefault();
  items[next].focus();
});

const historyControls = createHistoryControls(dom.history, dom.phone, {
  post,
  isModalOpen: () => Boolean(state.modal),
});
const preview = createPreview(dom.previewContent, {
  onTrialLoad: (name) => presetTools.load(name),
  onTrialChange: (name) => presetTools.trialChanged(name),
  // The wallpaper and the device as the session holds them, whichever window changed them.
  onLive: (palette) => {
    wallpaper?.follow(palette);
    devicePanel?.follow(palette);
  },
  onFindKey: async (key) => {
    const found = await goToRow(
      { post, screen: () => state.screen, layoutOf: preview.layoutOf, page: dom.page },
      key,
    );
    if (!found) showToast("That part's row cannot be shown from here.");
    else views.show("settings");
  },
});
const wallpaper = attachWallpaper(dom.previewContent);
const devicePanel = attachDevicePanel(dom.previewContent);
attachPhoneSharing(dom.previewContent);
const views = setupViews(
  dom.views,
  { settings: dom.phone, preview: dom.preview },
  { preview: dom.previewContent },
);
const presetTools = createPresetTools(dom.tools, {
  post,
  isModalOpen: () => Boolean(state.modal),
  preview,
  wallpaper,
  views,
  sheetButtonHost: dom.views,
  announce: showToast,
});

loadScreen();
preview.load();
listen();
