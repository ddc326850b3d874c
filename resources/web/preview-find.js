// Find mode of the preview: a switch in its toolbar after which a tap (or
// Enter) on any part drawn from a key goes to the row that colours it, instead
// of flipping a toggle or expanding a module.

import { el } from "./dom.js";

// `head`: where the switch goes; `content`: the parts; `onFind(key)`.
export function createFinder(head, screen, content, onFind) {
  let finding = false;
  const button = el("button", "cc-find", "Find Row");
  button.type = "button";
  button.dataset.testid = "preview-find";
  button.setAttribute("aria-pressed", "false");
  button.title = "Tap a part of Control Center to go to the row that colours it";
  head.append(button);

  // Every part drawn from a key becomes reachable by keyboard while finding.
  function refresh() {
    screen.classList.toggle("cc-finding", finding);
    for (const node of content.querySelectorAll("[data-key]")) {
      if (!node.dataset.key || node.matches("button")) continue;
      if (finding) {
        node.tabIndex = 0;
        node.dataset.findable = "true";
      } else if (node.dataset.findable) {
        node.removeAttribute("tabindex");
        delete node.dataset.findable;
      }
    }
  }

  function set(on) {
    finding = on;
    button.setAttribute("aria-pressed", String(on));
    refresh();
  }
  button.addEventListener("click", () => set(!finding));

  // Taken before the parts' own handlers, so a toggle does not flip.
  function find(e) {
    if (!finding) return;
    const node = e.target.closest?.("[data-key]");
    const key = node?.dataset.key.split(" ").find(Boolean);
    if (!key || !content.contains(node)) return;
    e.preventDefault();
    e.stopPropagation();
    set(false);
    onFind(key);
  }
  content.addEventListener("click", find, true);
  content.addEventListener(
    "keydown",
    (e) => {
      if (e.key === "Enter" || e.key === " ") find(e);
    },
    true,
  );
  return { refresh };
}
