// The tools beside the Presets page, outside the phone: the bundle's page
// itself gains no row. For now one tool: what changed since the current
// preset was saved, with a way back to it.

import { cssColour } from "./colours.js";

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

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

export function createPresetTools(panel, { post, isModalOpen }) {
  let shown = null;

  function discard(preset) {
    if (isModalOpen()) return;
    // The bundle's own Load, with its own confirmation for the user to answer.
    post({ event: "tap", row: { fileName: preset } });
    post({ event: "alert", button: "Load" });
  }

  function render(changes) {
    const section = el("section", "tools-section");
    section.setAttribute("aria-labelledby", "tools-changes-title");
    const title = el("h2", "tools-title", "What Changed");
    title.id = "tools-changes-title";
    const subtitle = el("p", "tools-subtitle", `Since “${changes.preset}” was saved`);
    const list = el("ul", "tools-list");
    for (const row of changes.rows) list.append(changeRow(row));
    if (changes.rows.length === 0)
      list.append(el("li", "tools-row tools-empty", "No values differ."));
    const button = el("button", "tools-discard", "Discard Changes");
    button.type = "button";
    button.dataset.testid = "discard-changes";
    button.addEventListener("click", () => discard(changes.preset));
    section.append(title, subtitle, list, button);
    panel.replaceChildren(section);
  }

  return {
    update(screen) {
      const changes = screen.presetChanges ?? null;
      const json = JSON.stringify(changes);
      if (json === shown) return;
      shown = json;
      panel.hidden = !changes;
      document.body.dataset.tools = changes ? "shown" : "";
      if (changes) render(changes);
      else panel.replaceChildren();
    },
  };
}
