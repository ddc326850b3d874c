// The Device panel: what the simulated device holds (its iOS version, the
// tweaks installed, the Control Center modules enabled and their order). It
// edits a copy and sends it whole with Done; the server changes the device's
// files, and the pages and the picture follow them as on a phone. Edits
// outlive a reload of the window (kept in the tab's session storage) and are
// not thrown away without asking.

import { el } from "./dom.js";
import { createDeviceDraft } from "./device-model.js";
import { button, sheetGroups } from "./device-sheet.js";
import { askInWindow } from "./window-alert.js";

const KEPT_DRAFT = "quillane.deviceDraft";

// The edits of this tab's panel, {base, draft}: the device as read, and as edited.
const keptDraft = {
  read() {
    try {
      const kept = JSON.parse(sessionStorage.getItem(KEPT_DRAFT));
      return kept?.base && kept?.draft ? kept : null;
    } catch {
      return null;
    }
  },
  write(base, draft) {
    try {
      sessionStorage.setItem(KEPT_DRAFT, JSON.stringify({ base, draft }));
    } catch {
      // A window without storage keeps its edits only until it reloads.
    }
  },
  forget: () => sessionStorage.removeItem(KEPT_DRAFT),
};

function sheetFrame() {
  const sheet = el("section", "device-sheet");
  sheet.setAttribute("role", "dialog");
  sheet.setAttribute("aria-modal", "true");
  sheet.setAttribute("aria-labelledby", "device-title");
  sheet.dataset.testid = "device-panel";
  const bar = el("header", "device-head");
  const cancel = button("Cancel", "device-bar-button");
  cancel.dataset.testid = "device-cancel";
  const title = el("h2", "device-title", "Device");
  title.id = "device-title";
  const done = button("Done", "device-bar-button device-done");
  done.dataset.testid = "device-done";
  bar.append(cancel, title, done);
  const error = el("p", "device-error");
  error.setAttribute("role", "alert");
  error.dataset.testid = "device-error";
  const status = el("p", "device-status");
  status.setAttribute("role", "status");
  const body = el("div", "device-body");
  sheet.append(bar, error, body, status);
  return { sheet, cancel, done, error, status, body };
}

// Focus stays within the panel while it is up; Escape asks to cancel. The
// page's own dialog keeping (a picker may be open under the panel) must not act.
function keepKeyboard(sheet, cancel) {
  sheet.addEventListener("keydown", (e) => {
    if (e.key !== "Escape" && e.key !== "Tab") return;
    e.stopPropagation();
    if (e.key === "Escape") {
      e.preventDefault();
      cancel();
      return;
    }
    const items = [
      ...sheet.querySelectorAll("button:not([disabled]), input:not([disabled])"),
    ].filter((n) => n.offsetParent !== null);
    const first = items[0];
    const last = items[items.length - 1];
    if (e.shiftKey && document.activeElement === first) {
      e.preventDefault();
      last.focus();
    } else if (!e.shiftKey && document.activeElement === last) {
      e.preventDefault();
      first.focus();
    }
  });
}

async function sendDevice(draft) {
  try {
    const response = await fetch("/api/device", {
      method: "PUT",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(draft),
    });
    if (response.ok) return null;
    const answer = await response.json().catch(() => null);
    return answer?.error || `The server answered ${response.status}.`;
  } catch {
    return "The settings host cannot be reached.";
  }
}

// The sheet over the page: everything else waits (inert) while it is up, and
// the keyboard returns to `opener` when it goes.
function sheetLayer(opener) {
  let layer = null;
  let hidden = []; // what the panel made inert

  function close() {
    if (!layer) return;
    layer.remove();
    layer = null;
    for (const node of hidden) node.inert = false;
    hidden = [];
    opener.focus({ preventScroll: true });
  }

  // `cancel` answers Cancel and Escape (it may ask before it closes).
  function present(frame, focusFirst, cancel = close) {
    keepKeyboard(frame.sheet, cancel);
    frame.cancel.addEventListener("click", cancel);
    layer = el("div", "device-layer");
    layer.append(frame.sheet);
    document.body.append(layer);
    hidden = [...document.body.children].filter((n) => n !== layer && !n.inert);
    for (const node of hidden) node.inert = true;
    focusFirst.focus({ preventScroll: true });
  }

  return { present, close, isUp: () => layer !== null };
}

// The sheet of a device that could not be read: it says why, and offers only Cancel.
function failureSheet(message) {
  const frame = sheetFrame();
  frame.error.textContent = message;
  frame.done.disabled = true;
  return { frame, first: frame.cancel };
}

// The sheet that edits `draft`, made from `base` (the device as read); Done
// sends it and, once the server took it, calls `close`. Every edit is kept
// for a reload; Cancel and Escape ask before edits are thrown away.
function editingSheet(base, draft, close) {
  const frame = sheetFrame();
  const { sheet, body, status } = frame;
  const say = (text) => (status.textContent = text);
  const edited = () => JSON.stringify(draft.profile()) !== JSON.stringify(base);
  const keep = () => (edited() ? keptDraft.write(base, draft.profile()) : keptDraft.forget());
  // After the handlers of the control pressed or typed in have edited the draft.
  for (const type of ["click", "input"]) sheet.addEventListener(type, () => queueMicrotask(keep));
  async function cancel() {
    const discard =
      !edited() ||
      (await askInWindow({
        title: "Discard Changes?",
        message: "The device stays as it is; the changes made in this panel are lost.",
        action: "Discard Changes",
        cancel: "Keep Editing",
        destructive: true,
        testid: "device-discard",
      }));
    if (!discard) return;
    keptDraft.forget();
    close();
  }
  const focus = (...selectors) => {
    const target = selectors
      .map((s) => sheet.querySelector(s))
      .find((n) => n && !n.disabled && n.offsetParent !== null);
    target?.focus();
  };
  const { nodes, versionInput } = sheetGroups(draft, { say, focus });
  body.append(...nodes);

  let saving = false;
  frame.done.addEventListener("click", async () => {
    if (saving) return;
    const problem = draft.versionProblem();
    frame.error.textContent = problem ?? "";
    if (problem) {
      versionInput.focus();
      return;
    }
    saving = frame.done.disabled = true;
    const error = await sendDevice(draft.profile());
    saving = frame.done.disabled = false;
    if (error !== null) {
      frame.error.textContent = error;
      return;
    }
    keptDraft.forget();
    close();
  });
  return { frame, first: versionInput, cancel, edited, say };
}

async function readDevice() {
  const response = await fetch("/api/device", { headers: { Accept: "application/json" } });
  const profile = await response.json();
  if (!response.ok) throw new Error(profile?.error || `The server answered ${response.status}.`);
  return profile;
}

// ---- the panel -----------------------------------------------------------

export function attachDevicePanel(panel) {
  const head = panel.querySelector(".cc-toolbar-head");
  if (!head) return null;
  const opener = button("Device", "cc-find device-open");
  opener.dataset.testid = "device-open";
  opener.setAttribute("aria-haspopup", "dialog");
  head.append(opener);
  const layer = sheetLayer(opener);
  let opening = false;
  let shown = null;
  let revision = null; // the device's revision in the last palette

  // The device as read, and the edits kept from before a reload when there are some.
  async function openSheet(kept) {
    // A second press while the device is read would stack a second sheet.
    if (layer.isUp() || opening) return;
    opening = true;
    try {
      const device = await readDevice();
      const base = kept?.base ?? device;
      shown = editingSheet(base, createDeviceDraft(kept?.draft ?? device), layer.close);
      if (kept && JSON.stringify(kept.base) !== JSON.stringify(device))
        shown.say("The device changed elsewhere since these edits: Done replaces it with them.");
      else if (kept) shown.say("Your edits from before the reload are back.");
    } catch (error) {
      shown = failureSheet(error.message || "The device cannot be read.");
    } finally {
      opening = false;
    }
    layer.present(shown.frame, shown.first, shown.cancel);
  }

  // Another window changed the device: an untouched panel shows it as it is
  // now; one with edits says so, and keeps them.
  async function follow(palette) {
    const next = palette?.deviceRevision;
    if (!Number.isInteger(next) || next === revision) return;
    const changed = revision !== null;
    revision = next;
    if (!changed || !layer.isUp() || !shown?.edited) return;
    if (shown.edited()) {
      shown.say(
        "The device was changed in another window: Done replaces it with what is shown here.",
      );
      return;
    }
    layer.close();
    await openSheet(null);
  }

  opener.addEventListener("click", () => openSheet(null));
  // Edits made before the window reloaded open again.
  const kept = keptDraft.read();
  if (kept) openSheet(kept);
  return { open: () => openSheet(null), close: layer.close, follow };
}
