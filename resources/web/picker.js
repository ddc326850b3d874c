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
import { readColourEntry } from "./colour-entry.js";
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
  const done = el("button", "picker-done", "Done");
  done.type = "button";
  done.dataset.testid = "picker-done";
  head.append(el("span", "picker-head-spacer"), heading, done);

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
    "Colour value: #RRGGBB, #RRGGBBAA, rgb(), hsl() or #RRGGBB:opacity",
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
  return { dialog, done, square, thumb, hue, opacity, fill, hex, status, contrast, part };
}

// hooks: post(event, coalesceKey), isPending() (a pick still waiting to be
// sent), close() (sends closePicker), onColour(colour) (hears every colour the
// user moves to, at once, for the live preview), contrastFor(colour) (the
// contrast line for the part being edited), partPicture() (a small copy of
// that part as the preview draws it now).
export function createPicker(modal, title, hooks) {
  const ui = buildSheet(title);
  let hsv = { h: 0, s: 1, v: 1 };
  let alpha = 1;
  let dragging = false;
  let lastHexSent = null;

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
    if (document.activeElement !== ui.hex) ui.hex.value = hexString(c);
    ui.contrast.textContent = hooks.contrastFor?.(c) ?? "";
    const picture = hooks.partPicture?.();
    if (picture) ui.part.replaceChildren(picture);
    else ui.part.replaceChildren();
    ui.contrast.classList.toggle(
      "picker-contrast-low",
      /hard to read/.test(ui.contrast.textContent),
    );
  }

  // A drag moves faster than the server needs to hear: the picture follows
  // every move here, the server at most one pick per frame.
  let frame = 0;
  function postPick() {
    if (frame) cancelAnimationFrame(frame);
    frame = 0;
    hooks.post({ event: "pick", color: formatColourValue(colour()) }, "pick");
  }
  function send() {
    hooks.onColour?.(colour());
    paint();
    if (!frame) frame = requestAnimationFrame(postPick);
  }
  // The last colour goes out before the sheet closes, so closing stores it.
  function close() {
    if (frame) postPick();
    hooks.close();
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
  // in the stored form, anything else is marked and goes nowhere.
  function showEntry(c) {
    ui.hex.setAttribute("aria-invalid", String(!c));
    ui.status.classList.toggle("picker-hex-invalid", !c);
    ui.status.textContent = c
      ? `Reads as ${hexString(c)}, ${Math.round(c.a * 100)}% opacity`
      : "Not a colour: use #RRGGBB, #RRGGBBAA, rgb(), hsl() or #RRGGBB:opacity";
  }
  function sendHex(text) {
    if (text.trim() === "" || text === lastHexSent) return;
    const c = readColourEntry(text);
    showEntry(c);
    if (!c) return;
    lastHexSent = text;
    adopt(c);
    hooks.onColour?.(colour());
    paint();
    if (frame) cancelAnimationFrame(frame);
    frame = 0;
    hooks.post({ event: "pick", color: formatColourValue(colour()) }, "pick");
  }
  // While typing, wait for a pause: "…:0" on the way to "…:0.5" is not meant.
  let typing = null;
  ui.hex.addEventListener("input", () => {
    clearTimeout(typing);
    const c = readColourEntry(ui.hex.value);
    if (c) {
      showEntry(c);
      typing = setTimeout(() => sendHex(ui.hex.value), TYPING_PAUSE_MS);
    } else {
      ui.hex.removeAttribute("aria-invalid");
      ui.status.textContent = "";
      ui.status.classList.remove("picker-hex-invalid");
    }
  });
  ui.hex.addEventListener("change", () => {
    clearTimeout(typing);
    sendHex(ui.hex.value);
  });
  // Select the whole value on entry, so typing replaces it.
  ui.hex.addEventListener("focus", () => setTimeout(() => ui.hex.select(), 0));
  ui.hex.addEventListener("blur", () => {
    lastHexSent = null;
    // The field shows the picker's colour again: a refusal no longer applies.
    if (ui.hex.getAttribute("aria-invalid") === "true") ui.status.textContent = "";
    ui.hex.removeAttribute("aria-invalid");
    ui.status.classList.remove("picker-hex-invalid");
    paint();
  });

  ui.done.addEventListener("click", close);

  adopt(parseColourValue(modal.color) ?? FALLBACK);
  paint();

  return {
    dialog: ui.dialog,
    focus: ui.square,
    row: modal.row,
    cancel: close,
    // A newer screen of the same picker: take the server's colour unless the
    // user is still changing it here.
    update(next) {
      const c = parseColourValue(next.color);
      if (!c || sameColour(c, colour()) || dragging || frame || hooks.isPending()) return;
      adopt(c);
      paint();
    },
  };
}
