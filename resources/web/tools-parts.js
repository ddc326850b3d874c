// The pieces the preset tools are built of: their buttons, sections and
// status lines.

import { el, sentence } from "./dom.js";

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

// The line below a tool that tells what it did, and for a new preset offers
// to preview or load it (onPreview(name), onLoad(name)); announce(message)
// tells it while the panel is not shown.
export function statusLine(panel, { testid, onPreview, onLoad, announce }) {
  const status = el("p", "tools-status");
  status.setAttribute("role", "status");
  status.dataset.testid = testid;
  const offer = el("div", "tools-offer");
  offer.hidden = true;

  function say(text, { error = false, newPreset = null } = {}) {
    const message = sentence(text);
    status.textContent = message;
    status.classList.toggle("tools-status-error", error);
    offer.hidden = !newPreset;
    offer.replaceChildren();
    if (newPreset) {
      offer.append(
        button("tools-button", "Preview", `Preview “${newPreset}”`),
        button("tools-button", "Load", `Load “${newPreset}”`),
      );
      offer.firstChild.addEventListener("click", () => onPreview(newPreset));
      offer.lastChild.addEventListener("click", () => onLoad(newPreset));
    }
    if (panel.hidden || "idle" in panel.dataset) announce?.(message);
  }

  return { nodes: [status, offer], say };
}
