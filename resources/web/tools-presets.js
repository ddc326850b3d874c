// "Preview and Export": every preset, each to try in the picture without
// loading it, or to export to a file.

import { el } from "./dom.js";
import { exportPreset } from "./presetfiles.js";
import { button, section } from "./tools-parts.js";

// onPreview(name) answers a preset's Preview button.
export function createPresetList({ onPreview }) {
  const node = section(
    "tools-presets-title",
    "Preview and Export",
    "A preview shows a preset in the picture without loading it.",
  );
  const list = el("ul", "tools-list");
  node.append(list);

  function item(name) {
    const row = el("li", "tools-row tools-preset");
    row.dataset.preset = name;
    const tryButton = button("tools-button", "Preview", `Preview “${name}”`);
    tryButton.dataset.role = "preview";
    tryButton.addEventListener("click", () => onPreview(name));
    const exportButton = button("tools-button", "Export", `Export “${name}” to File`);
    exportButton.title = `Download ${name}.plist`;
    exportButton.addEventListener("click", () => exportPreset(name));
    row.append(el("span", "tools-row-title", name), tryButton, exportButton);
    return row;
  }

  // Marks the preset the picture shows (a name, or null).
  function mark(tried) {
    for (const row of list.querySelectorAll(".tools-preset")) {
      const tryButton = row.querySelector("[data-role=preview]");
      tryButton.setAttribute("aria-pressed", String(row.dataset.preset === tried));
    }
  }

  function render(names, tried) {
    list.replaceChildren(...names.map(item));
    if (names.length === 0) list.append(el("li", "tools-row tools-empty", "No presets."));
    mark(tried);
  }

  return { node, render, mark, isEmpty: () => list.childElementCount === 0 };
}
