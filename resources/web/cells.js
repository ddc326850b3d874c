// Table cells: one element per row of the page, drawn from the row's values.

import { cssColour, legibleVariants } from "./colours.js";
import { el, applyFont, markRow } from "./dom.js";
import { attachPress } from "./gestures.js";
import { createHeaderView, createPictureView, isHeaderRow, isPictureRow } from "./header.js";

// Cell classes built in the subtitle style: the detail goes under the title.
const SUBTITLE_CLASSES = new Set([
  "QLNColorPicker",
  "QLNPreset",
  "QLNStateSwitcher",
  "QLNSegment",
  "QLNToggle",
]);
const NOT_TAPPABLE = new Set(["group", "static", "switch", "segment"]);

const SVG_CHECKMARK =
  '<svg viewBox="0 0 14 12" aria-hidden="true" focusable="false"><path d="M1.5 6.5 5.2 10 12.5 1.8" ' +
  'fill="none" stroke="currentColor" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/></svg>';
const SVG_CHEVRON =
  '<svg viewBox="0 0 8 14" aria-hidden="true" focusable="false"><path d="M1.5 1.5 6.5 7l-5 5.5" ' +
  'fill="none" stroke="currentColor" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/></svg>';
const SVG_GRIP =
  '<svg viewBox="0 0 20 14" aria-hidden="true" focusable="false"><path d="M1 2h18M1 7h18M1 12h18" ' +
  'stroke="currentColor" stroke-width="1.6" stroke-linecap="round"/></svg>';

export function isMovable(row) {
  return row.reorder === true || row.cellClass === "QLNMovableCell";
}

export function hasLongPress(row) {
  if (typeof row.longPress === "boolean") return row.longPress;
  return row.cellClass === "QLNColorPicker";
}

export function isTappable(row) {
  return !NOT_TAPPABLE.has(row.cell) && !isHeaderRow(row) && !isPictureRow(row);
}

function isSubtitleStyle(row) {
  if (Number.isInteger(row.style)) return row.style === 3;
  return SUBTITLE_CLASSES.has(row.cellClass);
}

function isCentred(row) {
  if (row.titleAlignment) return row.titleAlignment === "center";
  return row.cellClass === "QLNStateSwitcher";
}

function detailText(row) {
  if (Array.isArray(row.detailRuns)) return row.detailRuns.map((r) => r.text ?? "").join("");
  return typeof row.detail === "string" ? row.detail : "";
}

// A dimmed detail ("Default") stays at least as legible as a secondary label.
const MIN_DETAIL_ALPHA = 0.6;

// Text in a colour of the row's own: a colour given as rgba is drawn in its
// legible variant for the appearance (see .legible).
function paintText(node, color, fallback = null) {
  const variants = legibleVariants(color);
  if (variants) {
    node.classList.add("legible");
    node.style.setProperty("--text-light", variants.light);
    node.style.setProperty("--text-dark", variants.dark);
    return;
  }
  const css = cssColour(color, fallback);
  if (css) node.style.color = css;
}

function detailNode(row, className) {
  const node = el("div", className);
  if (Array.isArray(row.detailRuns)) {
    for (const run of row.detailRuns) {
      const span = el("span", null, run.text ?? "");
      paintText(span, run.color);
      node.append(span);
    }
  } else {
    node.textContent = row.detail;
  }
  if (Number.isFinite(row.detailAlpha))
    node.style.opacity = String(Math.max(row.detailAlpha, MIN_DETAIL_ALPHA));
  applyFont(node, row.detailFont);
  return node;
}

function titleNode(row) {
  const node = el("div", "cell-title", row.title ?? "");
  paintText(node, row.titleColor, row.cell === "button" ? "var(--tint-text)" : null);
  applyFont(node, row.titleFont);
  return node;
}

function swatchNode(swatch) {
  const node = el("span", "swatch");
  node.setAttribute("aria-hidden", "true");
  const color = cssColour(swatch.color);
  if (swatch.hidden || !color) {
    node.classList.add("swatch-hidden");
    return node;
  }
  node.style.background = color;
  node.style.boxShadow = `0 0 5px color-mix(in srgb, ${color} 50%, transparent)`;
  return node;
}

function accessoryNode(row) {
  if (row.swatch && typeof row.swatch === "object") return swatchNode(row.swatch);
  if (row.accessory === "checkmark") {
    const node = el("span", "accessory checkmark");
    node.innerHTML = SVG_CHECKMARK;
    return node;
  }
  if (row.cell === "link") {
    const node = el("span", "accessory chevron");
    node.innerHTML = SVG_CHEVRON;
    return node;
  }
  return null;
}

function switchControl(row, ctx) {
  const on = row.value === true;
  const button = el("button", "switch no-press");
  button.type = "button";
  button.setAttribute("role", "switch");
  button.setAttribute("aria-checked", String(on));
  button.setAttribute("aria-label", row.title || "Switch");
  button.dataset.focusKey = `switch:${row.index}`;
  button.disabled = row.enabled === false;
  const tint = cssColour(row.tint);
  if (tint) button.style.setProperty("--switch-on", tint);
  button.append(el("span", "switch-knob"));
  button.addEventListener("click", () => {
    const next = button.getAttribute("aria-checked") !== "true";
    button.setAttribute("aria-checked", String(next));
    ctx.post({ event: "switch", row: row.index, value: next });
  });
  return button;
}

function segmentTitles(row) {
  if (Array.isArray(row.titles) && row.titles.length > 0) return row.titles.map(String);
  const count = Number.isInteger(row.value) ? row.value + 1 : 1;
  return Array.from({ length: count }, (_, i) => String(i + 1));
}

function segmentControl(row, ctx) {
  const group = el("div", "segmented no-press");
  group.setAttribute("role", "radiogroup");
  group.setAttribute("aria-label", row.title || "Options");
  const tint = cssColour(row.tint);
  if (tint) group.style.setProperty("--tint", tint);
  const titles = segmentTitles(row);
  const select = (i) => {
    if (i === row.value) return;
    ctx.post({ event: "segment", row: row.index, index: i });
  };
  const buttons = titles.map((title, i) => {
    const b = el("button", "segment", title);
    b.type = "button";
    b.setAttribute("role", "radio");
    b.setAttribute("aria-checked", String(i === row.value));
    b.tabIndex = i === row.value || (!Number.isInteger(row.value) && i === 0) ? 0 : -1;
    b.dataset.focusKey = `segment:${row.index}:${i}`;
    b.disabled = row.enabled === false;
    b.addEventListener("click", () => select(i));
    return b;
  });
  group.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowUp: -1, ArrowRight: 1, ArrowDown: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const current = buttons.indexOf(document.activeElement);
    const next = (Math.max(current, 0) + step + buttons.length) % buttons.length;
    buttons[next].focus();
    select(next);
  });
  group.append(...buttons);
  return group;
}

function reorderHandle(row) {
  const handle = el("button", "reorder-handle no-press");
  handle.type = "button";
  handle.innerHTML = SVG_GRIP;
  handle.setAttribute("aria-label", `Reorder ${row.title ?? ""}`.trim());
  handle.setAttribute("aria-roledescription", "drag handle");
  handle.title = "Drag, or use the arrow keys, to reorder";
  handle.dataset.focusKey = `handle:${row.section}:${row.title ?? row.index}`;
  return handle;
}

// What a person sees on the row, whole and in reading order (the title, then
// the detail exactly as shown), so that whoever names the row by voice is
// understood; a colour row's own title ("Background") repeats in every
// group, so the group's title follows as context.
export function accessibleLabel(row, sectionTitle = "") {
  const parts = [row.title, detailText(row)];
  if (row.swatch && typeof row.swatch === "object") parts.push(sectionTitle);
  if (row.accessory === "checkmark") parts.push("selected");
  return parts.filter((p) => typeof p === "string" && p.trim() !== "").join(", ");
}

function makeInteractive(cell, row, ctx, sectionTitle) {
  const tap = isTappable(row) ? () => ctx.tap(row) : null;
  const longPress = hasLongPress(row) ? (phase) => ctx.longPress(row, phase) : null;
  if (!tap && !longPress) return;
  cell.setAttribute("role", "button");
  cell.setAttribute("aria-label", accessibleLabel(row, sectionTitle) || "Row");
  if (longPress)
    cell.setAttribute("aria-description", "Press and hold, or press the menu key, to reset");
  if (row.enabled === false) {
    cell.setAttribute("aria-disabled", "true");
    return;
  }
  cell.tabIndex = 0;
  cell.dataset.focusKey = `row:${row.index}`;
  cell.classList.add("tappable");
  attachPress(cell, { onTap: tap, onLongPress: longPress });
}

// Title and detail are blocks of their own; a space between them keeps
// their words apart for whatever reads the row's text as one string.
const WORD_BREAK = " ";

function textBlock(row) {
  const block = el("div", "cell-text");
  const subtitle = isSubtitleStyle(row);
  block.append(titleNode(row));
  const hasDetail = Array.isArray(row.detailRuns) || typeof row.detail === "string";
  if (hasDetail && subtitle) block.append(WORD_BREAK, detailNode(row, "cell-detail cell-subtitle"));
  return block;
}

function trailingBlock(row, ctx) {
  const trailing = el("div", "cell-trailing");
  const hasDetail = Array.isArray(row.detailRuns) || typeof row.detail === "string";
  if (hasDetail && !isSubtitleStyle(row))
    trailing.append(detailNode(row, "cell-detail cell-value"));
  if (row.cell === "switch") trailing.append(switchControl(row, ctx));
  const accessory = accessoryNode(row);
  if (accessory) trailing.append(accessory);
  return trailing;
}

// sectionTitle: the title of the row's group, when it has one.
export function createCell(row, ctx, sectionTitle = "") {
  const cell = el("div", "cell");
  markRow(cell, row);
  if (row.hidden) cell.hidden = true;
  if (row.enabled === false) cell.classList.add("disabled");
  if (Number(row.height) > 0) cell.style.minHeight = `${row.height}px`;

  if (isHeaderRow(row) || isPictureRow(row)) {
    cell.classList.add("cell-clear");
    cell.append(isHeaderRow(row) ? createHeaderView(row, ctx.pageClass) : createPictureView(row));
    return cell;
  }
  if (row.cell === "segment") {
    cell.classList.add("cell-segment");
    cell.append(segmentControl(row, ctx));
    return cell;
  }

  const text = textBlock(row);
  if (isCentred(row)) cell.classList.add("cell-centred");
  if (isSubtitleStyle(row)) cell.classList.add("cell-subtitle-style");
  cell.append(text, WORD_BREAK, trailingBlock(row, ctx));
  if (isMovable(row)) {
    cell.classList.add("movable");
    cell.append(reorderHandle(row));
  }
  makeInteractive(cell, row, ctx, sectionTitle);
  return cell;
}
