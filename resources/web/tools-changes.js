// "What Changed": the rows whose values differ from the current preset as it
// was saved, each with its saved and its present value, and a way back.

import { cssColour } from "./colours.js";
import { el } from "./dom.js";
import { button, section } from "./tools-parts.js";

function swatch(stored, label) {
  const node = el("span", "tools-swatch");
  const colour = stored?.color ? cssColour(stored.color) : null;
  if (colour) node.style.setProperty("--swatch", colour);
  else node.classList.add("tools-swatch-none");
  node.title = `${label}: ${stored?.value ?? "not set"}`;
  node.setAttribute("role", "img");
  node.setAttribute("aria-label", node.title);
  return node;
}

function changeRow(row) {
  const item = el("li", "tools-row");
  item.dataset.key = row.key;
  const text = el("div", "tools-row-text");
  text.append(el("span", "tools-row-title", row.title));
  const place = [row.page, row.state].filter(Boolean).join(" · ");
  if (place) text.append(el("span", "tools-row-place", place));
  const swatches = el("div", "tools-row-swatches");
  // Colours side by side as swatches; other values (a switch, an order) as their text.
  const asColour = Boolean(row.saved?.color || row.now?.color);
  const side = (stored, label) =>
    asColour ? swatch(stored, label) : el("span", "tools-value", stored?.value ?? "not set");
  swatches.append(side(row.saved, "Saved"), el("span", "tools-arrow", "→"), side(row.now, "Now"));
  item.append(text, swatches);
  return item;
}

// onDiscard(preset) answers the section's Discard Changes.
export function createChanges({ onDiscard }) {
  const node = section("tools-changes-title", "What Changed");
  node.classList.add("tools-changes");
  node.hidden = true;
  let shown = null;

  function render(changes) {
    const body = el("div", "tools-changes-body");
    body.append(el("p", "tools-subtitle", `Since “${changes.preset}” was saved`));
    const list = el("ul", "tools-list");
    for (const row of changes.rows) list.append(changeRow(row));
    if (changes.rows.length === 0)
      list.append(el("li", "tools-row tools-empty", "No values differ."));
    const discard = button("tools-discard", "Discard Changes");
    discard.dataset.testid = "discard-changes";
    discard.addEventListener("click", () => onDiscard(changes.preset));
    body.append(list, discard);
    node.querySelector(".tools-changes-body")?.remove();
    node.append(body);
  }

  // `changes`: the screen's presetChanges ({preset, rows}), or null for none.
  function update(changes) {
    const json = JSON.stringify(changes);
    if (json === shown) return;
    shown = json;
    node.hidden = !changes;
    if (changes) render(changes);
  }

  return { node, update };
}
