// The colour picker sheet: saturation/brightness square, hue and opacity
// sliders, hex field and preview. Every change is reported as a pick event;
// the sheet stays the same element for as long as the same row's picker is
// open, so a drag is never interrupted by the screens that come back.

import {
  formatColourValue,
  hexString,
  hsvToRgb,
  parseColourValue,
  rgbaCss,
  rgbToHsv,
  sameColour,
} from "./colours.js";
import { entryProblem, readColourEntry } from "./colour-entry.js";
import { el } from "./dom.js";

// The bundle's fallback colour value, for a row that has no colour yet.
const FALLBACK = { r: 1, g: 0, b: 0, a: 1 };
// A colour typed in full is taken after this pause in typing.
const TYPING_PAUSE_MS = 600;

function slider(label, className, max) {
  const wrap = el("label", `picker-slider ${className}`);
  const input = el("input", "picker-range");
  input.type = "range";
  input.min = "0";
  input.max = String(max);
  input.step = "1";
  const value = el("output", "picker-slider-value");
  wrap.append(el("span", "picker-slider-label", label), input, value);
  return { wrap, input, value };
}

function buildSheet(title) {
  const dialog = el("div", "picker-sheet");
  dialog.setAttribute("role", "dialog");
  dialog.setAttribute("aria-modal", "true");
  dialog.setAttribute("aria-labelledby", "picker-title");
  const head = el("div", "picker-head");
  const heading = el("h2", "picker-title", title || "Colour");
  heading.id = "picker-title";
  const cancel = el("button", "picker-cancel", "Cancel");
  cancel.type = "button";
  cancel.dataset.testid = "picker-cancel";
  const done = el("button", "picker-done", "Done");
  done.type = "button";
  done.dataset.testid = "picker-done";
  head.append(cancel, heading, done);

  const square = el("div", "sv-square");
  square.tabIndex = 0;
  square.setAttribute("role", "slider");
  square.setAttribute("aria-label", "Saturation and brightness");
  square.dataset.testid = "picker-square";
  const thumb = el("div", "sv-thumb");
  square.append(thumb);

  const hue = slider("Hue", "hue-slider", 360);
  const opacity = slider("Opacity", "alpha-slider", 100);
  hue.input.dataset.testid = "picker-hue";
  opacity.input.dataset.testid = "picker-alpha";

  const foot = el("div", "picker-foot");
  const preview = el("span", "picker-preview");
  const fill = el("span", "picker-preview-fill");
  preview.append(fill);
  preview.setAttribute("aria-hidden", "true");
  const hex = el("input", "picker-hex");
  hex.type = "text";
  hex.dataset.testid = "picker-hex";
  hex.setAttribute(
    "aria-label",
    "Colour value: #RRGGBB, #RRGGBBAA, a colour name, rgb(), hsl() or #RRGGBB:opacity",
  );
  hex.setAttribute("aria-describedby", "picker-hex-status");
  hex.autocomplete = "off";
  hex.spellcheck = false;
  foot.append(preview, hex);
  // Says what the field understood, or that it understood nothing.
  const status = el("p", "picker-hex-status");
  status.id = "picker-hex-status";
  status.setAttribute("aria-live", "polite");
  status.dataset.testid = "picker-hex-status";

  // How legible the part's glyph or text is with this colour.
  const contrast = el("p", "picker-contrast");
  contrast.dataset.testid = "picker-contrast";

  // On a phone-sized screen the preview is on another tab: the part being
  // edited is shown here, live.
  const part = el("div", "picker-part");
  part.dataset.testid = "picker-part";

  dialog.append(head, part, square, hue.wrap, opacity.wrap, foot, status, contrast);
  return { dialog, cancel, done, square, thumb, hue, opacity, fill, hex, status, contrast, part };
}

// hooks: post(event, coalesceKey), isPending() (a pick still waiting to be
// sent), close(shown) (sends closePicker with the colour value the sheet
// shows), backOut() (sends cancelPicker), onColour(colour) (hears every
// colour the sheet moves to, at once, for the live preview), contrastFor(colour)
// (the contrast line for the part being edited), partPicture() (a small copy
// of that part as the preview draws it now).
export function createPicker(modal, title, hooks) {
  const ui = buildSheet(title);
  let hsv = { h: 0, s: 1, v: 1 };
  let alpha = 1;
  let dragging = false;
  let lastHexSent = null;
  // The colour value the sheet shows: the server's as it came, or the last
  // one sent. Closing names it, so another window's newer pick is not stored
  // unseen (the host refuses the close then, and its screen shows that pick).
  let shown = modal.color ?? null;
  // The user has typed in the field since it last showed the sheet's colour.
  let editing = false;

  const rgb = () => hsvToRgb(hsv);
  const colour = () => ({ ...rgb(), a: alpha });

  function adopt(c) {
    hsv = rgbToHsv(c, hsv.h);
    alpha = Math.min(1, Math.max(0, c.a));
  }

  function paint() {
    const c = colour();
    const css = rgbaCss({ ...c, a: 1 });
    ui.square.style.setProperty("--hue", `hsl(${hsv.h} 100% 50%)`);
    ui.thumb.style.left = `${hsv.s * 100}%`;
    ui.thumb.style.top = `${(1 - hsv.v) * 100}%`;
    ui.thumb.style.background = css;
    ui.square.setAttribute(
      "aria-valuetext",
      `saturation ${Math.round(hsv.s * 100)}%, brightness ${Math.round(hsv.v * 100)}%`,
    );
    ui.hue.input.value = String(Math.round(hsv.h));
    ui.hue.value.textContent = `${Math.round(hsv.h)}°`;
    ui.opacity.input.value = String(Math.round(alpha * 100));
    ui.opacity.value.textContent = `${Math.round(alpha * 100)}%`;
    ui.dialog.style.setProperty("--picker-rgb", css);
    ui.fill.style.background = rgbaCss(c);
    if (document.activeElement !== ui.hex || !editing) ui.hex.value = hexString(c);
    ui.contrast.textContent = hooks.contrastFor?.(c) ?? "";
    const picture = hooks.partPicture?.();
    if (picture) ui.part.replaceChildren(picture);
    else ui.part.replaceChildren();
    ui.contrast.classList.toggle(
      "picker-contrast-low",
      /hard to read/.test(ui.contrast.textContent),
    );
  }

  // A drag moves faster than the server needs to hear: the picture here follows
  // every move, the server hears the first move of a frame at once (so that a
  // phone following the drag gets it without waiting for a frame) and after it
  // at most the newest move of each frame.
  let frame = 0;
  let owed = false;
  function postPick() {
    owed = false;
    shown = formatColourValue(colour());
    hooks.post({ event: "pick", color: shown }, "pick");
  }
  function nextFrame() {
    frame = 0;
    if (!owed) return;
    postPick();
    frame = requestAnimationFrame(nextFrame);
  }
  function stopPicks() {
    if (frame) cancelAnimationFrame(frame);
    frame = 0;
    owed = false;
  }
  function send() {
    // A colour chosen by dragging replaces whatever the field held.
    if (editing) leaveEntry();
    // The pick leaves before this window draws it, so the two go on at once.
    if (frame) owed = true;
    else {
      postPick();
      frame = requestAnimationFrame(nextFrame);
    }
    hooks.onColour?.(colour());
    paint();
  }
  // The last colour goes out before the sheet closes, so closing stores it. A
  // field that does not read keeps the sheet up and says why.
  function close() {
    if (editing && entryProblem(ui.hex.value)) {
      showEntry(null, ui.hex.value);
      ui.hex.focus();
      return;
    }
    if (owed) postPick();
    stopPicks();
    hooks.close(shown);
  }
  function backOut() {
    stopPicks();
    hooks.backOut();
  }

  function fromSquare(e) {
    const r = ui.square.getBoundingClientRect();
    const x = Math.min(1, Math.max(0, (e.clientX - r.left) / r.width));
    const y = Math.min(1, Math.max(0, (e.clientY - r.top) / r.height));
    hsv = { ...hsv, s: x, v: 1 - y };
    send();
  }

  ui.square.addEventListener("pointerdown", (e) => {
    if (!e.isPrimary || e.button !== 0) return;
    e.preventDefault();
    ui.square.focus({ preventScroll: true });
    ui.square.setPointerCapture(e.pointerId);
    dragging = true;
    fromSquare(e);
  });
  ui.square.addEventListener("pointermove", (e) => {
    if (dragging) fromSquare(e);
  });
  const stop = () => (dragging = false);
  ui.square.addEventListener("pointerup", stop);
  ui.square.addEventListener("pointercancel", stop);
  ui.square.addEventListener("keydown", (e) => {
    const step = e.shiftKey ? 0.1 : 0.01;
    const moves = {
      ArrowLeft: [-step, 0],
      ArrowRight: [step, 0],
      ArrowUp: [0, step],
      ArrowDown: [0, -step],
    };
    const move = moves[e.key];
    if (!move) return;
    e.preventDefault();
    const clamp = (x) => Math.min(1, Math.max(0, x));
    hsv = { ...hsv, s: clamp(hsv.s + move[0]), v: clamp(hsv.v + move[1]) };
    send();
  });

  for (const range of [ui.hue.input, ui.opacity.input]) {
    range.addEventListener("pointerdown", () => (dragging = true));
    range.addEventListener("pointerup", stop);
    range.addEventListener("change", stop);
  }
  ui.hue.input.addEventListener("input", () => {
    hsv = { ...hsv, h: Number(ui.hue.input.value) };
    send();
  });
  ui.opacity.input.addEventListener("input", () => {
    alpha = Number(ui.opacity.input.value) / 100;
    send();
  });

  // What the user typed is read here, strictly: a colour goes to the server
  // in the stored form, anything else is marked, goes nowhere and is told.
  function showEntry(c, text) {
    const problem = c ? null : entryProblem(text);
    ui.hex.setAttribute("aria-invalid", String(Boolean(problem)));
    ui.status.classList.toggle("picker-hex-invalid", Boolean(problem));
    ui.status.textContent = c
      ? `Reads as ${hexString(c)}, ${Math.round(c.a * 100)}% opacity`
      : (problem ?? "");
  }
  function sendHex(text) {
    if (text.trim() === "" || text === lastHexSent) return;
    const c = readColourEntry(text);
    showEntry(c, text);
    if (!c) return;
    lastHexSent = text;
    editing = false;
    adopt(c);
    hooks.onColour?.(colour());
    paint();
    postPick();
  }
  // While typing, wait for a pause: "…:0" on the way to "…:0.5" is not meant,
  // and "#12" on the way to "#123456" is not wrong yet.
  let typing = null;
  ui.hex.addEventListener("input", () => {
    clearTimeout(typing);
    editing = true;
    const c = readColourEntry(ui.hex.value);
    if (c) showEntry(c);
    typing = setTimeout(() => sendHex(ui.hex.value), TYPING_PAUSE_MS);
  });
  ui.hex.addEventListener("change", () => {
    clearTimeout(typing);
    sendHex(ui.hex.value);
  });
  // Select the whole value on entry, so typing replaces it.
  ui.hex.addEventListener("focus", () => setTimeout(() => ui.hex.select(), 0));
  // The field shows the sheet's colour again: a refusal no longer applies.
  function leaveEntry() {
    clearTimeout(typing);
    editing = false;
    if (ui.hex.getAttribute("aria-invalid") === "true") ui.status.textContent = "";
    ui.hex.removeAttribute("aria-invalid");
    ui.status.classList.remove("picker-hex-invalid");
  }
  ui.hex.addEventListener("blur", () => {
    lastHexSent = null;
    // What does not read stays, with what is wrong with it, until mended.
    if (editing && entryProblem(ui.hex.value)) return;
    leaveEntry();
    paint();
  });

  ui.done.addEventListener("click", close);
  ui.cancel.addEventListener("click", backOut);

  adopt(parseColourValue(modal.color) ?? FALLBACK);
  paint();

  return {
    dialog: ui.dialog,
    focus: ui.square,
    row: modal.row,
    // Escape backs out; a tap beside the sheet closes it, as on the phone.
    cancel: backOut,
    dismiss: close,
    // A newer screen of the same picker (this window's answer, or another
    // window's pick): take the server's colour, the picture with it, unless
    // the user is still changing it here; a refused close's screen always.
    update(next, { force = false } = {}) {
      const c = parseColourValue(next.color);
      if (!c) return;
      if (!force && (dragging || frame || hooks.isPending() || editing)) return;
      if (editing) leaveEntry();
      shown = next.color;
      if (sameColour(c, colour())) return;
      adopt(c);
      hooks.onColour?.(colour());
      paint();
    },
  };
}
