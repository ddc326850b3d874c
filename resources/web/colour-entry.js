// What the picker's text field accepts: the CSS notations people paste
// (#RGB, #RRGGBB, #RRGGBBAA with alpha last, rgb()/rgba(), hsl()/hsla(), the
// colour names), six or eight hex digits without "#" as design tools copy
// them, and the stored form "#RRGGBB:alpha". Unlike the lenient reader of
// stored values, anything else is refused, so a typo never becomes a colour,
// and the refusal says what is wrong.

import { COLOUR_NAMES } from "./colour-names.js";

const NUMBER = String.raw`[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?`;

function hexDigits(digits) {
  const expand = digits.length <= 4 ? [...digits].map((d) => d + d) : digits.match(/../g);
  const [r, g, b, a = "FF"] = expand;
  return {
    r: parseInt(r, 16) / 255,
    g: parseInt(g, 16) / 255,
    b: parseInt(b, 16) / 255,
    a: parseInt(a, 16) / 255,
  };
}

// A number as CSS writes one; Number() alone would also take "", "0x10" and "Infinity".
function number(text) {
  return new RegExp(`^${NUMBER}$`).test(text) ? Number(text) : NaN;
}

// "50%" or "0.5" as 0..1 (alpha), or null when outside it.
function unit(text) {
  const percent = text.endsWith("%");
  const n = number(percent ? text.slice(0, -1) : text);
  if (!Number.isFinite(n)) return null;
  const x = percent ? n / 100 : n;
  return x >= 0 && x <= 1 ? x : null;
}

// A channel of rgb(): 0..255, or a percentage.
function channel(text) {
  if (text.endsWith("%")) return unit(text);
  const n = number(text);
  return Number.isFinite(n) && n >= 0 && n <= 255 ? n / 255 : null;
}

function hue(text) {
  const m = new RegExp(`^(${NUMBER})(deg|turn|rad)?$`).exec(text);
  if (!m) return null;
  const n = Number(m[1]);
  const degrees = m[2] === "turn" ? n * 360 : m[2] === "rad" ? (n * 180) / Math.PI : n;
  return ((degrees % 360) + 360) % 360;
}

function hslToRgb(h, s, l) {
  const k = (n) => (n + h / 30) % 12;
  const a = s * Math.min(l, 1 - l);
  const f = (n) => l - a * Math.max(-1, Math.min(k(n) - 3, 9 - k(n), 1));
  return { r: f(0), g: f(8), b: f(4) };
}

// The arguments of "name(…)": commas or spaces, an optional "/ alpha".
function functionArguments(text, names) {
  const m = /^([a-z]+)\(\s*([^()]*?)\s*\)$/i.exec(text);
  if (!m || !names.includes(m[1].toLowerCase())) return null;
  const body = m[2];
  const [main, slashAlpha, extra] = body.split("/").map((part) => part.trim());
  if (extra !== undefined) return null;
  const parts = main.includes(",") ? main.split(",").map((p) => p.trim()) : main.split(/\s+/);
  if (slashAlpha !== undefined) {
    if (main.includes(",") || parts.length !== 3) return null;
    parts.push(slashAlpha);
  }
  return parts.length === 3 || parts.length === 4 ? parts : null;
}

function readRgb(text) {
  const parts = functionArguments(text, ["rgb", "rgba"]);
  if (!parts) return null;
  const [r, g, b] = parts.slice(0, 3).map(channel);
  const a = parts.length === 4 ? unit(parts[3]) : 1;
  return [r, g, b, a].includes(null) ? null : { r, g, b, a };
}

function readHsl(text) {
  const parts = functionArguments(text, ["hsl", "hsla"]);
  if (!parts) return null;
  const h = hue(parts[0]);
  const [s, l] = parts.slice(1, 3).map((p) => (p.endsWith("%") ? unit(p) : null));
  const a = parts.length === 4 ? unit(parts[3]) : 1;
  if ([h, s, l, a].includes(null)) return null;
  return { ...hslToRgb(h, s, l), a };
}

// {r, g, b, a} in 0..1, or null when the text is none of the accepted forms.
export function readColourEntry(input) {
  if (typeof input !== "string") return null;
  const text = input.trim();
  const hex = /^#([0-9a-f]{3}|[0-9a-f]{4}|[0-9a-f]{6}|[0-9a-f]{8})$/i.exec(text);
  if (hex) return hexDigits(hex[1]);
  // Three or four digits alone read as words as often as colours ("bad", "face").
  const bare = /^([0-9a-f]{6}|[0-9a-f]{8})$/i.exec(text);
  if (bare) return hexDigits(bare[1]);
  const stored = new RegExp(`^#?([0-9a-f]{6}):\\s*(${NUMBER})$`, "i").exec(text);
  if (stored) {
    const a = unit(stored[2]);
    return a === null ? null : { ...hexDigits(stored[1]), a };
  }
  const named = COLOUR_NAMES.get(text.toLowerCase());
  if (named) return hexDigits(named);
  if (text.toLowerCase() === "transparent") return { r: 0, g: 0, b: 0, a: 0 };
  return readRgb(text) ?? readHsl(text);
}

// What is wrong with text that does not read as a colour, as a sentence for
// the field's status line; null when it reads or is empty.
export function entryProblem(input) {
  const text = typeof input === "string" ? input.trim() : "";
  if (text === "" || readColourEntry(text)) return null;
  const hex = /^#?([^:]*)(:.*)?$/.exec(text);
  const digits = hex[1];
  if (hex[2] !== undefined && /^[0-9a-f]{6}$/i.test(digits))
    return "The opacity after “:” is a number from 0 to 1.";
  if (text.startsWith("#") || /^[0-9a-f]+$/i.test(digits)) {
    const stray = /[^0-9a-f]/i.exec(digits);
    if (stray) return `“${stray[0]}” is not a hex digit (0–9, A–F).`;
    if (!text.startsWith("#") && (digits.length === 3 || digits.length === 4))
      return `Three or four digits need a “#”: #${digits}.`;
    return `A hex colour has 3, 4, 6 or 8 digits; this has ${digits.length}.`;
  }
  if (/^rgba?\(/i.test(text))
    return "rgb() takes three channels (0–255 or 0–100%) and an optional opacity (0–1 or %).";
  if (/^hsla?\(/i.test(text))
    return "hsl() takes a hue, a saturation and a lightness in %, and an optional opacity.";
  if (/^[a-z]+$/i.test(text)) return `“${text}” is not a colour name.`;
  return "Not a colour: use #RRGGBB, a colour name, rgb(), hsl() or #RRGGBB:opacity.";
}
