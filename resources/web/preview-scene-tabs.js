// The tabs above the picture that choose what it shows: Control Center
// itself ("cc") or one of the scenes shown on demand (a module's expanded
// panel), and the switching between them.

import { el } from "./dom.js";

// `bar`: where the tabs go.
export function createSceneTabs(bar) {
  const tabs = el("div", "segmented cc-scenes");
  tabs.setAttribute("role", "tablist");
  tabs.setAttribute("aria-label", "Part of Control Center shown");
  bar.append(tabs);
  // The arrow keys move between the scenes, as between any tabs.
  tabs.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const all = [...tabs.children];
    const next = all[(all.indexOf(document.activeElement) + step + all.length) % all.length];
    next?.focus();
    next?.click();
  });
  let scene = "cc";
  let main = null;
  let scenes = [];

  // Shows one scene; one no longer there gives Control Center.
  function open(id) {
    scene = scenes.some((s) => s.id === id) ? id : "cc";
    if (main) main.hidden = scene !== "cc";
    for (const s of scenes) s.node.hidden = s.id !== scene;
    for (const tab of tabs.children) {
      const selected = tab.dataset.sceneTab === scene;
      tab.setAttribute("aria-selected", String(selected));
      tab.tabIndex = selected ? 0 : -1;
    }
  }

  function tab(id, title) {
    const node = el("button", "segment", title);
    node.type = "button";
    node.setAttribute("role", "tab");
    node.dataset.sceneTab = id;
    node.addEventListener("click", () => open(id));
    return node;
  }

  // New elements for the picture: `mainNode` is Control Center's, `next` the
  // scenes ({id, title, node}). The scene shown stays shown.
  function set(mainNode, next) {
    main = mainNode;
    scenes = next;
    tabs.replaceChildren(tab("cc", "Control Center"), ...scenes.map((s) => tab(s.id, s.title)));
    open(scene);
  }

  return { open, set };
}
