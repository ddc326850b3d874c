// The pieces the preset tools are built of: their buttons and sections.

import { el } from "./dom.js";

export function button(className, text, label = null) {
  const node = el("button", className, text);
  node.type = "button";
  if (label) node.setAttribute("aria-label", label);
  return node;
}

export function section(id, title, subtitle = null) {
  const node = el("section", "tools-section");
  node.setAttribute("aria-labelledby", id);
  const heading = el("h2", "tools-title", title);
  heading.id = id;
  node.append(heading);
  if (subtitle) node.append(el("p", "tools-subtitle", subtitle));
  return node;
}
