// The settings and the Control Center preview: side by side on a wide
// screen, on two tabs ("Settings | Preview") on a narrow one.

export const WIDE_QUERY = "(min-width: 860px)";
// Room for the phone, the picture and the preset tools side by side, each at full width.
export const TOOLS_KEEP_PLACE_QUERY = "(min-width: 1180px)";

// tabs: the tab buttons (data-view naming the panel's view); panels: view
// name → panel element; landmarks: view name → the landmark inside a panel
// whose role follows the layout. The chosen view is kept on <body data-view>,
// which the narrow layout's CSS reads.
export function setupViews(tablist, panels, landmarks = {}) {
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

  // Side by side, the tabs are gone and the panels are plain containers, so
  // the settings' navigation bar and page stay top-level landmarks; the
  // preview is then complementary to them. Alone on its tab, the preview is
  // the main content of what is shown. A panel goes unnamed: its tab points
  // at it, and a named panel would read as content outside the landmarks.
  function applyLayout() {
    for (const panel of Object.values(panels)) {
      if (wide.matches) panel.removeAttribute("role");
      else panel.setAttribute("role", "tabpanel");
    }
    for (const landmark of Object.values(landmarks)) {
      landmark.setAttribute("role", wide.matches ? "complementary" : "main");
    }
  }

  for (const tab of tabs) tab.addEventListener("click", () => show(tab.dataset.view));
  tablist.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const i =
      (Math.max(tabs.indexOf(document.activeElement), 0) + step + tabs.length) % tabs.length;
    tabs[i].focus();
    show(tabs[i].dataset.view);
  });
  wide.addEventListener?.("change", applyLayout);
  show(document.body.dataset.view || "settings");
  applyLayout();
  return { show };
}
