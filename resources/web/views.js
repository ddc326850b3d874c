// The settings and the Control Center preview: side by side on a wide
// screen, on two tabs ("Settings | Preview") on a narrow one.

export const WIDE_QUERY = "(min-width: 860px)";

// tabs: the tab buttons (data-view naming the panel's view); panels: view
// name → panel element. The chosen view is kept on <body data-view>, which
// the narrow layout's CSS reads.
export function setupViews(tablist, panels) {
  const tabs = [...tablist.querySelectorAll("[role=tab]")];
  const wide = window.matchMedia?.(WIDE_QUERY) ?? { matches: false, addEventListener() {} };

  function show(view) {
    document.body.dataset.view = view;
    for (const tab of tabs) {
      const chosen = tab.dataset.view === view;
      tab.setAttribute("aria-selected", String(chosen));
      tab.tabIndex = chosen ? 0 : -1;
    }
  }

  // Side by side, the panels are plain regions and the tabs are gone.
  function applyLayout() {
    for (const [view, panel] of Object.entries(panels)) {
      const tab = tabs.find((t) => t.dataset.view === view);
      if (wide.matches) {
        panel.setAttribute("role", "region");
        panel.removeAttribute("aria-labelledby");
        panel.setAttribute("aria-label", tab?.textContent ?? view);
      } else {
        panel.setAttribute("role", "tabpanel");
        panel.removeAttribute("aria-label");
        if (tab) panel.setAttribute("aria-labelledby", tab.id);
      }
    }
  }

  for (const tab of tabs) tab.addEventListener("click", () => show(tab.dataset.view));
  tablist.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const i = (Math.max(tabs.indexOf(document.activeElement), 0) + step + tabs.length) % tabs.length;
    tabs[i].focus();
    show(tabs[i].dataset.view);
  });
  wide.addEventListener?.("change", applyLayout);
  show(document.body.dataset.view || "settings");
  applyLayout();
  return { show };
}
