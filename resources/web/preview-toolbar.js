// The preview's toolbar: its title, the appearance switch and the caption
// that tells what the last switch did or why the colours are stock.

import { el } from "./dom.js";
import { setAttr } from "./preview-paint.js";
import { VISIONS } from "./vision.js";

const APPEARANCES = [
  ["light", "Light"],
  ["dark", "Dark"],
];
function appearanceSwitch(act) {
  const group = el("div", "segmented cc-appearance");
  group.setAttribute("role", "radiogroup");
  group.setAttribute("aria-label", "Appearance");
  const buttons = APPEARANCES.map(([value, title]) => {
    const b = el("button", "segment", title);
    b.type = "button";
    b.setAttribute("role", "radio");
    b.dataset.appearance = value;
    b.dataset.focusKey = `cc-appearance:${value}`;
    b.addEventListener("click", () => {
      if (b.getAttribute("aria-checked") !== "true") act({ appearance: value });
    });
    return b;
  });
  group.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowUp: -1, ArrowRight: 1, ArrowDown: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const i =
      (Math.max(buttons.indexOf(document.activeElement), 0) + step + buttons.length) %
      buttons.length;
    buttons[i].focus();
    buttons[i].click();
  });
  group.append(...buttons);
  return { group, buttons };
}

// A pop-up button under the appearance switch: how the picture is seen.
// Only this window's picture changes; nothing is sent or stored.
function visionMenu(onVision) {
  const wrap = el("label", "cc-vision");
  wrap.append(el("span", "cc-vision-label", "Vision"));
  const menu = el("select", "cc-vision-menu");
  menu.dataset.testid = "preview-vision";
  menu.dataset.focusKey = "cc-vision";
  for (const { name, title } of VISIONS) {
    const option = el("option", "", title);
    option.value = name;
    menu.append(option);
  }
  menu.addEventListener("change", () => onVision(menu.value));
  wrap.append(menu);
  return wrap;
}

export function toolbar(act, onVision = () => {}) {
  const bar = el("div", "cc-toolbar");
  const head = el("div", "cc-toolbar-head");
  const title = el("h1", "cc-title", "Control Center");
  title.id = "cc-title";
  const { group, buttons } = appearanceSwitch(act);
  head.append(title, group);
  const note = el("p", "cc-note");
  note.setAttribute("role", "status");
  note.dataset.testid = "preview-note";
  // The vision menu opens the row under the switch, which nothing else shares: the warnings,
  // Find and Device come and go in the head without moving it.
  const view = el("div", "cc-toolbar-view");
  view.append(visionMenu(onVision), note);
  bar.append(head, view);
  return { bar, buttons, note };
}

export function noteText(preview) {
  const lines = [];
  if (typeof preview.appearanceNote === "string" && preview.appearanceNote)
    lines.push(preview.appearanceNote);
  if (preview.tweakEnabled === false)
    lines.push("Quillane is off: Control Center keeps its stock colours.");
  else if (preview.customToggleColours === false)
    lines.push("Toggle colours are off: the toggles keep their stock colours.");
  return lines.join("\n");
}

// The switch shows `appearance`; the caption tells `preview`'s notes, and
// replaces a refusal (which stays until the next picture).
export function paintToolbar({ buttons, note }, preview, appearance) {
  for (const b of buttons) setAttr(b, "aria-checked", String(b.dataset.appearance === appearance));
  for (const b of buttons) setAttr(b, "tabindex", b.dataset.appearance === appearance ? "0" : "-1");
  const caption = noteText(preview);
  if (note.textContent !== caption || note.classList.contains("cc-note-error")) {
    note.textContent = caption;
    note.classList.remove("cc-note-error");
  }
}

// A refused action is told in the caption, which either layout shows.
export function showRefusal(note, message) {
  note.textContent = message;
  note.classList.add("cc-note-error");
}
