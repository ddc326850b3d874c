// What the Control Center preview draws, worked out from the theming
// component's palette without touching the page: colours, legible glyphs and
// the parts whose change needs the picture built again.

import { rgbaCss } from "./colours.js";
import { seenWith } from "./vision.js";

// A palette colour ({"rgba": [r, g, b, a], …}) as {r, g, b, a}, or null.
export function rgbaOf(colour) {
  const list = colour?.rgba;
  if (!Array.isArray(list) || list.length < 3) return null;
  const [r, g, b, a = 1] = list.map(Number);
  if (![r, g, b, a].every(Number.isFinite)) return null;
  return { r, g, b, a };
}

export function colourCss(colour, fallback = "transparent") {
  const c = rgbaOf(colour);
  return c ? rgbaCss(c) : fallback;
}

// `top` painted over `bottom` (both straight alpha).
export function over(top, bottom) {
  const a = top.a + bottom.a * (1 - top.a);
  if (a <= 0) return { r: 0, g: 0, b: 0, a: 0 };
  const mix = (t, b) => (t * top.a + b * bottom.a * (1 - top.a)) / a;
  return { r: mix(top.r, bottom.r), g: mix(top.g, bottom.g), b: mix(top.b, bottom.b), a };
}

function channel(x) {
  return x <= 0.03928 ? x / 12.92 : ((x + 0.055) / 1.055) ** 2.4;
}

export function luminance({ r, g, b }) {
  return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
}

export function contrast(x, y) {
  const [hi, lo] = [luminance(x), luminance(y)].sort((p, q) => q - p);
  return (hi + 0.05) / (lo + 0.05);
}

// What Control Center's modules sit on once blurred: a dark wallpaper in the
// dark appearance, a light one otherwise.
export const BACKDROP = {
  dark: { r: 0.08, g: 0.08, b: 0.1, a: 1 },
  light: { r: 0.62, g: 0.64, b: 0.7, a: 1 },
};

// As the theming component measures it (Legibility.cpp): the system keeps
// its own glyphs and text readable.
const STOCK_DIM = { r: 0, g: 0, b: 0, a: 0.55 };
const LEGIBLE = 1.6;

const userSet = (colour) => colour?.source === "stored" || colour?.source === "pending";

// What is drawn for `colour` (a glyph or text of the palette) over `ground`
// ({r, g, b, a}): a colour the user set as it is; a stock one is only what
// the system would pick, and white on a white fill or tile becomes a dimmed
// dark glyph, as on the phone.
function drawnOn(colour, ground) {
  const own = rgbaOf(colour);
  if (!own) return STOCK_DIM;
  if (userSet(colour) || contrast(over(own, ground), ground) >= LEGIBLE) return own;
  return STOCK_DIM;
}

// The glyph's colour on `behind` (colours from the palette, painted over one
// another from the backdrop up), as CSS.
export function glyphColour(glyph, behind, backdrop = BACKDROP.dark) {
  const ground = behind
    .map(rgbaOf)
    .filter(Boolean)
    .reduce((acc, c) => over(c, acc), backdrop);
  return rgbaCss(drawnOn(glyph, ground));
}

// A colour of the palette by its key, wherever the palette lists it.
export function colourForKey(preview, key) {
  for (const group of preview?.groups ?? []) {
    for (const entry of group.entries ?? []) if (entry.colour?.key === key) return entry.colour;
  }
  for (const entry of preview?.mediaControls ?? [])
    if (entry.colour?.key === key) return entry.colour;
  return null;
}

// The media module's colours, by key.
export function mediaColours(preview) {
  const colours = {};
  for (const entry of preview?.mediaControls ?? []) {
    if (entry.colour?.key) colours[entry.colour.key] = entry.colour;
  }
  return colours;
}

// What decides the picture's elements (the toggles' order, the modules
// shown); colours and states only repaint them.
export function previewShape(preview) {
  const connectivity = (preview?.connectivity ?? []).map((t) => t.name);
  const modules = (preview?.modules ?? []).map((m) => m.identifier);
  return JSON.stringify({
    connectivity,
    modules,
    tweaks: preview?.tweaks ?? {},
    shown: [...shownKeys(preview)],
  });
}

// Tiles that Control Center draws two units wide, with their title.
const WIDE_TILES = new Set(["com.apple.mediaremote.controlcenter.airplaymirroring"]);

export function isWideTile(module) {
  return WIDE_TILES.has(module?.identifier);
}

export function initialOf(name) {
  const match = /[\p{L}\p{N}]/u.exec(String(name ?? ""));
  return match ? match[0].toUpperCase() : "?";
}

// Says how a colour was found, for tooltips: "#007AFF:1.00 (stock)".
export function describeColour(colour) {
  if (!colour) return "";
  const value = typeof colour.value === "string" ? colour.value : "";
  const source = colour.source === "malformed" ? "unreadable value, stock colour" : colour.source;
  return `${colour.key ?? ""} ${value}${source ? ` (${source})` : ""}`.trim();
}

// An answer of the preview endpoint that can be drawn.
export function isPreview(value) {
  return Boolean(value) && typeof value === "object" && Array.isArray(value.connectivity);
}

// Every colour of the palette by its key: the pages' rows, both states of
// each toggle and module, whichever part lists it.
export function coloursByKey(preview) {
  const colours = new Map();
  const add = (colour) => {
    if (colour?.key && !colours.has(colour.key)) colours.set(colour.key, colour);
  };
  for (const group of preview?.groups ?? [])
    for (const entry of group.entries ?? []) add(entry.colour);
  for (const toggle of preview?.connectivity ?? []) [toggle.background, toggle.glyph].forEach(add);
  for (const module of preview?.modules ?? [])
    [module.states?.enabled, module.states?.disabled, module.colour].forEach(add);
  for (const part of ["moduleBackground", "connectivityBackground", "mediaBackground"])
    add(preview?.[part]);
  for (const slider of [preview?.brightness, preview?.volume])
    Object.values(slider ?? {}).forEach(add);
  return colours;
}

// The layout file of the page whose row colours `key`, or null.
export function layoutOf(preview, key) {
  return (
    preview?.groups?.find((g) => g.entries?.some((e) => e.colour?.key === key))?.layout ?? null
  );
}

// The keys whose rows the settings pages show on this device.
export function shownKeys(preview) {
  const keys = new Set();
  for (const group of preview?.groups ?? []) {
    for (const entry of group.entries ?? [])
      if (entry.shown !== false && entry.colour?.key) keys.add(entry.colour.key);
  }
  return keys;
}

// The palette with `colour` ({r, g, b, a}) pending on `keys`, wherever a
// colour of one of them appears: what the server will answer after the pick,
// drawn before it answers.
export function withPending(preview, keys, colour) {
  const wanted = new Set(keys);
  const rgba = [colour.r, colour.g, colour.b, colour.a ?? 1];
  const walk = (node) => {
    if (Array.isArray(node)) return node.map(walk);
    if (!node || typeof node !== "object") return node;
    if (typeof node.key === "string" && Array.isArray(node.rgba) && wanted.has(node.key)) {
      return { ...node, rgba, source: "pending" };
    }
    const copy = {};
    for (const [name, value] of Object.entries(node)) copy[name] = walk(value);
    return copy;
  };
  return walk(preview);
}

// ---- legibility -----------------------------------------------------------

function backdropOf(preview) {
  const [r, g, b, a = 1] = Array.isArray(preview?.backdrop) ? preview.backdrop.map(Number) : [];
  return [r, g, b].every(Number.isFinite)
    ? { r, g, b, a }
    : BACKDROP[preview?.appearance === "dark" ? "dark" : "light"];
}

// The WCAG contrast of a pair of the palette's legibility list, from the
// colours given (the server's, or a pending one drawn before it answers):
// the foreground as drawn over its layers over the backdrop, against those
// layers, both as `vision` sees them.
export function pairRatio(pair, colours, backdrop, vision = "typical") {
  const ground = (pair?.layers ?? [])
    .map((key) => rgbaOf(colours.get(key)))
    .filter(Boolean)
    .reduce((acc, c) => over(c, acc), backdrop);
  const fg = colours.get(pair?.foreground);
  if (!rgbaOf(fg)) return null;
  const drawn = over(drawnOn(fg, ground), ground);
  return contrast(seenWith(drawn, vision), seenWith(ground, vision));
}

// Every pair with its ratio worked out here, as `vision` sees it; `warn`
// when below its minimum and the user set the glyph or text or what is right
// behind it.
export function legibility(preview, vision = "typical") {
  const colours = coloursByKey(preview);
  const backdrop = backdropOf(preview);
  return (preview?.legibility ?? []).map((pair) => {
    const ratio = pairRatio(pair, colours, backdrop, vision) ?? pair.ratio;
    const set = userSet(colours.get(pair.foreground)) || userSet(colours.get(pair.background));
    return { ...pair, ratio, warn: set && ratio < pair.minimum };
  });
}

// The toggles and modules whose two states `vision` could take one for the
// other, as the theming component measured them (CIEDE2000 below the
// minimum, and the user set one of the two), with that difference.
export function confusableStates(preview, vision = "typical") {
  return (preview?.states ?? [])
    .filter((pair) => Array.isArray(pair.confusable) && pair.confusable.includes(vision))
    .map((pair) => ({ ...pair, difference: Number(pair.difference?.[vision]) }));
}

// The glyphs and texts the picture draws now, as "foreground|background":
// each toggle and tile in the state it is drawn in. A pair of a state not
// drawn is measured and listed all the same, but outlines nothing.
export function drawnPairs(preview) {
  const drawn = new Set();
  for (const t of preview?.connectivity ?? []) drawn.add(`${t.glyph?.key}|${t.background?.key}`);
  for (const m of preview?.modules ?? [])
    for (const part of ["moduleGlyph", "moduleText"]) drawn.add(`${part}|${m.colour?.key}`);
  return drawn;
}

export const isDrawn = (pair, drawn) =>
  !pair.state || drawn.has(`${pair.foreground}|${pair.background}`);

// "4.6:1", as contrast ratios are written.
export function ratioText(ratio) {
  return `${(Math.floor(ratio * 10) / 10).toFixed(1)}:1`;
}

// The palette as the settings page being edited wants it shown: on the
// connectivity page every toggle, on the toggles page every module, in the
// state the page edits. `edited`: {page: "connectivity" | "toggles", enabled}.
export function withEditedState(preview, edited) {
  if (!preview || !edited) return preview;
  const colours = coloursByKey(preview);
  const word = edited.enabled ? "Enabled" : "Disabled";
  const pick = (key, fallback) => colours.get(key) ?? fallback;
  if (edited.page === "connectivity") {
    const connectivity = preview.connectivity.map((t) => ({
      ...t,
      enabled: edited.enabled,
      background: pick(`${t.name}${word}`, t.background),
      glyph: pick(`${t.name}Glyph${word}`, t.glyph),
    }));
    return { ...preview, connectivity };
  }
  if (edited.page === "toggles") {
    const modules = (preview.modules ?? []).map((m) => ({
      ...m,
      enabled: edited.enabled,
      colour: (edited.enabled ? m.states?.enabled : m.states?.disabled) ?? m.colour,
    }));
    return { ...preview, modules };
  }
  return preview;
}
