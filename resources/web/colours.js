// Colour helpers: screen colours to CSS, and the colour value text the picker
// reads and writes ("#RRGGBB:0.500000").

// System colours are drawn through CSS variables so they follow the appearance.
const SYSTEM_COLORS = {
  labelColor: "var(--label)",
  darkTextColor: "var(--label)",
  secondaryLabelColor: "var(--secondary-label)",
  tertiaryLabelColor: "var(--tertiary-label)",
  systemGrayColor: "var(--system-gray)",
  grayColor: "var(--system-gray)",
  lightGrayColor: "var(--system-gray)",
  clearColor: "transparent",
  systemBlueColor: "var(--system-blue)",
  systemRedColor: "var(--system-red)",
  systemGreenColor: "var(--system-green)",
  whiteColor: "#FFFFFF",
  blackColor: "#000000",
};

export const ACCENT = { r: 0.81, g: 0.06, b: 0.13, a: 1 };

function clamp01(x) {
  if (!Number.isFinite(x)) return 0;
  return Math.min(1, Math.max(0, x));
}

function byte(x) {
  return Math.round(clamp01(x) * 255);
}

// A screen colour ({"rgba": [...]} or {"name": "..."}) as CSS, or `fallback`
// when the value is absent or not understood.
export function cssColour(color, fallback = null) {
  if (!color || typeof color !== "object") return fallback;
  if (Array.isArray(color.rgba) && color.rgba.length >= 3) {
    const [r, g, b, a = 1] = color.rgba.map(Number);
    return rgbaCss({ r, g, b, a });
  }
  if (typeof color.name === "string") {
    return SYSTEM_COLORS[color.name] ?? fallback;
  }
  return fallback;
}

export function rgbaCss({ r, g, b, a = 1 }) {
  return `rgba(${byte(r)}, ${byte(g)}, ${byte(b)}, ${+clamp01(a).toFixed(4)})`;
}

// Reads a colour value as the bundle does: optional "#", optional "0x",
// optional ":alpha" (a missing number after the colon reads as 0). Returns
// {r, g, b, a} in 0..1, or null for an empty text.
export function parseColourValue(text) {
  if (typeof text !== "string" || text.length === 0) return null;
  const colon = text.indexOf(":");
  let a = 1;
  if (colon >= 0) {
    const m = /^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?/.exec(text.slice(colon + 1));
    a = m ? Math.fround(parseFloat(m[0])) : 0;
  }
  const colourPart = colon >= 0 ? text.slice(0, colon) : text;
  const start = colourPart.startsWith("#") ? 1 : 0;
  const m = /^\s*(?:0[xX])?([0-9a-fA-F]*)/.exec(text.slice(start));
  let n = 0;
  if (m && m[1].length > 0) {
    const big = BigInt("0x" + m[1]);
    n = big > 0xffffffffn ? 0xffffffff : Number(big);
  }
  return {
    r: ((n >>> 16) & 0xff) / 255,
    g: ((n >>> 8) & 0xff) / 255,
    b: (n & 0xff) / 255,
    a,
  };
}

function hex2(x) {
  return byte(x).toString(16).toUpperCase().padStart(2, "0");
}

export function hexString({ r, g, b }) {
  return `#${hex2(r)}${hex2(g)}${hex2(b)}`;
}

// "#%02X%02X%02X:%f": the form the bundle writes.
export function formatColourValue(c) {
  return `${hexString(c)}:${clamp01(c.a).toFixed(6)}`;
}

export function sameColour(x, y) {
  if (!x || !y) return false;
  return hexString(x) === hexString(y) && Math.abs(clamp01(x.a) - clamp01(y.a)) < 0.0005;
}

// h in 0..360, s and v in 0..1.
export function hsvToRgb({ h, s, v }) {
  const f = (n) => {
    const k = (n + h / 60) % 6;
    return v - v * s * Math.max(0, Math.min(k, 4 - k, 1));
  };
  return { r: f(5), g: f(3), b: f(1) };
}

// Keeps `hueHint` when the colour has no hue of its own (greys, black), so a
// slider does not jump back to red.
export function rgbToHsv({ r, g, b }, hueHint = 0) {
  const max = Math.max(r, g, b);
  const min = Math.min(r, g, b);
  const d = max - min;
  let h = hueHint;
  if (d > 0) {
    if (max === r) h = 60 * (((g - b) / d + 6) % 6);
    else if (max === g) h = 60 * ((b - r) / d + 2);
    else h = 60 * ((r - g) / d + 4);
  }
  return { h, s: max === 0 ? 0 : d / max, v: max };
}

// ---- legibility ------------------------------------------------------------

// Text needs this contrast against what is behind it to be read easily.
export const LEGIBLE_CONTRAST = 4.5;

function linear(channel) {
  const c = clamp01(channel);
  return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
}

// Relative luminance of an opaque colour ({r, g, b} in 0..1).
export function luminance({ r, g, b }) {
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

export function contrastRatio(x, y) {
  const [light, dark] = [luminance(x), luminance(y)].sort((a, b) => b - a);
  return (light + 0.05) / (dark + 0.05);
}

function mix(x, y, t) {
  return { r: x.r + (y.r - x.r) * t, g: x.g + (y.g - x.g) * t, b: x.b + (y.b - x.b) * t, a: 1 };
}

// The accent as text on these backgrounds: unchanged when it is legible on all
// of them, otherwise moved towards black (light backgrounds) or white (dark
// ones) just far enough, as the system's increased-contrast colours are.
export function legibleOn(color, backgrounds) {
  const opaque = { r: clamp01(color.r), g: clamp01(color.g), b: clamp01(color.b), a: 1 };
  const legible = (c) => backgrounds.every((bg) => contrastRatio(c, bg) >= LEGIBLE_CONTRAST);
  const darkest = backgrounds.reduce((lowest, bg) => Math.min(lowest, luminance(bg)), 1);
  const towards = darkest > 0.18 ? { r: 0, g: 0, b: 0 } : { r: 1, g: 1, b: 1 };
  for (let step = 0; step <= 20; step++) {
    const candidate = mix(opaque, towards, step / 20);
    if (legible(candidate)) return candidate;
  }
  return { ...towards, a: 1 };
}

// What text stands on in each appearance: cells, the grouped background, the
// navigation bar, alerts and sheets.
const SURFACES = {
  light: ["#FFFFFF", "#F2F2F7", "#F9F9F9", "#ECECEC"].map(parseColourValue),
  dark: ["#000000", "#1C1C1E", "#151517", "#2C2C2E"].map(parseColourValue),
};

// A screen colour given as rgba, as CSS for text in each appearance; null for
// a named system colour (its variable follows the appearance already) or an
// absent one.
export function legibleVariants(color) {
  if (!color || !Array.isArray(color.rgba) || color.rgba.length < 3) return null;
  const [r, g, b] = color.rgba.map(Number);
  return {
    light: rgbaCss(legibleOn({ r, g, b }, SURFACES.light)),
    dark: rgbaCss(legibleOn({ r, g, b }, SURFACES.dark)),
  };
}
