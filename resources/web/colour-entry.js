// What the picker's text field accepts: the CSS notations people paste
// (#RGB, #RRGGBB, #RRGGBBAA with alpha last, rgb()/rgba(), hsl()/hsla()) and
// the stored form "#RRGGBB:alpha". Unlike the lenient reader of stored
// values, anything else is refused, so a typo never becomes a colour.

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

// "50%" or "0.5" as 0..1 (alpha), or null when outside it.
function unit(text) {
  const percent = text.endsWith("%");
  const n = Number(percent ? text.slice(0, -1) : text);
  if (!Number.isFinite(n)) return null;
  const x = percent ? n / 100 : n;
  return x >= 0 && x <= 1 ? x : null;
}

// A channel of rgb(): 0..255, or a percentage.
function channel(text) {
  if (text.endsWith("%")) return unit(text);
  const n = Number(text);
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
  const stored = new RegExp(`^#([0-9a-f]{6}):\\s*(${NUMBER})$`, "i").exec(text);
  if (stored) {
    const a = unit(stored[2]);
    return a === null ? null : { ...hexDigits(stored[1]), a };
  }
  return readRgb(text) ?? readHsl(text);
}
