// Header cell (the product title and the version line) and picture cells.

import { cssColour, rgbaCss, ACCENT } from "./colours.js";
import { el, applyFont, cssFont } from "./dom.js";

const HEADER_HEIGHT = 100;
// Label frames of the header cell: vertical centre of each one-line label.
const LABEL_CENTRES = [28 + 10 / 2, 55 + 5 / 2];
const LABEL_DEFAULTS = [
  { font: { name: "HelveticaNeue-Light", size: 34 }, color: () => rgbaCss(ACCENT) },
  { font: { name: "HelveticaNeue-Light", size: 15 }, color: () => "var(--system-gray)" },
];
const TITLE_BOLD_PREFIX = 5;

// Alpha last shown and animation last started per label, so a screen that
// repeats a running animation does not restart it, and a new animation fades
// from what the user saw before.
const shown = new Map();

function easing(options) {
  switch ((Number(options) >>> 16) & 3) {
    case 1:
      return "ease-in";
    case 2:
      return "ease-out";
    case 3:
      return "linear";
    default:
      return "ease-in-out";
  }
}

function reducedMotion() {
  return window.matchMedia?.("(prefers-reduced-motion: reduce)").matches ?? false;
}

function applyAlpha(node, label, key) {
  const alpha = Number.isFinite(label.alpha) ? label.alpha : 1;
  const anim = label.animation && typeof label.animation === "object" ? label.animation : null;
  const target = anim && Number.isFinite(anim.alpha) ? anim.alpha : alpha;
  const animKey = anim ? JSON.stringify(anim) : null;
  const before = shown.get(key);
  shown.set(key, { alpha: target, animKey });
  if (!anim || (before && before.animKey === animKey) || reducedMotion()) {
    node.style.opacity = String(target);
    return;
  }
  const from = alpha !== target || !before ? alpha : before.alpha;
  const duration = Math.max(0, Number(anim.duration) || 0);
  const delay = Math.max(0, Number(anim.delay) || 0);
  node.style.opacity = String(from);
  node.style.transition = `opacity ${duration}s ${easing(anim.options)} ${delay}s`;
  // Two frames: the start value must be painted before the transition runs.
  requestAnimationFrame(() =>
    requestAnimationFrame(() => {
      node.style.opacity = String(target);
    }),
  );
}

// The title's attributed text: server runs when given, otherwise the fixed
// split of the product title (regular face for the first five characters).
function fillTitle(node, label, index) {
  const text = label.text ?? "";
  if (Array.isArray(label.runs) && label.runs.length > 0) {
    // Runs carry their text, or name a range (location, length) of the
    // label's text; the text outside the ranges keeps the label's own font.
    const ranged = label.runs.every((r) => typeof r.text !== "string");
    let pos = 0;
    for (const run of label.runs) {
      const start = ranged ? Math.max(pos, Number(run.location) || 0) : pos;
      if (start > pos) node.append(text.slice(pos, start));
      const chunk = ranged ? text.substr(start, Number(run.length) || 0) : (run.text ?? "");
      const span = el("span", null, chunk);
      applyFont(span, run.font);
      const color = cssColour(run.color);
      if (color) span.style.color = color;
      node.append(span);
      pos = start + chunk.length;
    }
    if (ranged && pos < text.length) node.append(text.slice(pos));
    return;
  }
  if (index !== 0 || label.font || text.length <= TITLE_BOLD_PREFIX) {
    node.textContent = text;
    return;
  }
  const regular = el("span", null, text.slice(0, TITLE_BOLD_PREFIX));
  Object.assign(regular.style, cssFont({ name: "HelveticaNeue", size: 34 }));
  node.append(regular, document.createTextNode(text.slice(TITLE_BOLD_PREFIX)));
}

function headerLabel(label, index, keyBase) {
  const node = el("div", `header-label header-label-${index}`);
  const defaults = LABEL_DEFAULTS[index] ?? LABEL_DEFAULTS[1];
  applyFont(node, label.font ?? defaults.font);
  node.style.color = cssColour(label.color) ?? defaults.color();
  node.style.top = `${LABEL_CENTRES[index] ?? LABEL_CENTRES[1] + 20 * (index - 1)}px`;
  if (label.hidden) node.hidden = true;
  fillTitle(node, label, index);
  applyAlpha(node, label, `${keyBase}:${index}`);
  return node;
}

export function createHeaderView(row, pageClass) {
  const view = el("div", "header-cell");
  view.style.height = `${Number(row.height) > 0 ? row.height : HEADER_HEIGHT}px`;
  const labels = Array.isArray(row.labels) ? row.labels : [];
  const keyBase = `${pageClass}:${row.index}`;
  labels.forEach((label, i) => view.append(headerLabel(label ?? {}, i, keyBase)));
  const text = labels
    .map((l) => (l?.text ?? "").trim())
    .filter(Boolean)
    .join(", ");
  view.setAttribute("role", "heading");
  view.setAttribute("aria-level", "2");
  view.setAttribute("aria-label", text || row.title || "Header");
  return view;
}

export function createPictureView(row) {
  const view = el("div", "picture-cell");
  const height = Number(row.height);
  if (height > 0) view.style.height = `${height}px`;
  if (typeof row.image === "string" && row.image && !row.hidden) {
    const img = el("img", "picture-image");
    img.src = row.image;
    img.alt = row.title || "";
    img.decoding = "async";
    img.addEventListener("error", () => img.remove());
    view.append(img);
  }
  return view;
}

export function isHeaderRow(row) {
  return row.cellClass === "QLNHeader" || row.headerCellClass === "QLNHeader";
}

export function isPictureRow(row) {
  return row.cellClass === "QLNImage" || (typeof row.image === "string" && row.image !== "");
}
