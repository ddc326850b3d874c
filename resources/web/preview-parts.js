// Elements of the Control Center picture coloured straight from palette keys.
// Each names the CSS properties it takes from which key (data-paint) and the
// keys it is drawn from (data-key), so one painter colours them all and the
// tests find every part by its key.

import { el } from "./dom.js";
import { colourCss } from "./preview-model.js";

const PROPERTIES = { background: "backgroundColor", color: "color", border: "borderColor" };

// `paints`: {background: key, color: key, border: key}; absent keys are left out.
export function setPaints(node, paints) {
  const pairs = Object.entries(paints).filter(([property, key]) => key && PROPERTIES[property]);
  node.dataset.paint = pairs.map(([property, key]) => `${property}:${key}`).join(" ");
  node.dataset.key = [...new Set(pairs.map(([, key]) => key))].join(" ");
  return node;
}

export function keyed(tag, className, paints, text) {
  return setPaints(el(tag, className, text), paints);
}

// A glyph (an SVG drawn in currentColor) coloured by `key`.
export function keyedGlyph(className, key, svg) {
  const span = keyed("span", className, { color: key });
  span.innerHTML = svg;
  return span;
}

// Colours every keyed element under `root` from `colours` (a Map of key to
// palette colour); with `only` (a Set of keys), just the properties of those
// keys, as a drag needs. A key the palette lacks leaves the property to the CSS.
export function paintKeyed(root, colours, only = null) {
  for (const node of root.querySelectorAll("[data-paint]")) {
    for (const pair of node.dataset.paint.split(" ")) {
      const [property, key] = pair.split(":");
      if (only && !only.has(key)) continue;
      node.style[PROPERTIES[property]] = colourCss(colours.get(key), "");
    }
  }
}

const svg = (body, box = 24) =>
  `<svg class="cc-glyph" viewBox="0 0 ${box} ${box}" aria-hidden="true" focusable="false">${body}</svg>`;
const STROKE =
  'fill="none" stroke="currentColor" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"';

// Glyphs of the tweaks' parts, which the stock set lacks.
export const GLYPHS = {
  power: svg(`<path ${STROKE} d="M12 3v8M7 6.2a7.5 7.5 0 1 0 10 0"/>`),
  respring: svg(`<path ${STROKE} d="M19 12a7 7 0 1 1-2.1-5M19 4v4h-4"/>`),
  safeMode: svg(`<path ${STROKE} d="M12 3l7 3v5c0 4.5-3 8-7 10-4-2-7-5.5-7-10V6z"/>`),
  uicache: svg(`<path ${STROKE} d="M4 7h16M6 7l1 13h10l1-13M9 7V4h6v3"/>`),
  lock: svg(
    `<rect x="5" y="10.5" width="14" height="10" rx="2" fill="currentColor"/><path ${STROKE} d="M8 10.5V8a4 4 0 0 1 8 0v2.5"/>`,
  ),
  reboot: svg(`<path ${STROKE} d="M5 12a7 7 0 1 0 2.1-5M5 4v4h4"/>`),
  chevron: svg(`<path ${STROKE} d="M4 9l8 5 8-5"/>`),
  cloud: svg(
    '<path fill="currentColor" d="M7 18a4.5 4.5 0 0 1-.6-9 6 6 0 0 1 11.3 1.6A3.8 3.8 0 0 1 17.5 18z"/>',
  ),
  sun: svg('<circle cx="12" cy="12" r="5" fill="currentColor"/>'),
  phone: svg('<rect x="7" y="2.5" width="10" height="19" rx="2.5" fill="currentColor"/>'),
  bell: svg(
    '<path fill="currentColor" d="M12 3a5 5 0 0 0-5 5v4l-2 3.5h14L17 12V8a5 5 0 0 0-5-5zm-2 14.5a2 2 0 0 0 4 0z"/>',
  ),
};

// A horizontal bar: `track` key behind, `fill` key over `level` of it.
export function keyedBar(className, trackKey, fillKey, level) {
  const bar = keyed("span", `cc-bar ${className}`, { background: trackKey });
  const fill = keyed("span", "cc-bar-fill", { background: fillKey });
  fill.style.width = `${Math.round(level * 100)}%`;
  bar.append(fill);
  return { bar, fill };
}
