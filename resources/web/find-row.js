// From a part of the preview to the row that colours it: back to the
// bundle's root page, into the key's page, over to the state that holds the
// key, and the row highlighted and focused.

// The root page's row that opens each layout's page.
const PAGE_ROWS = {
  Connectivity: "Connectivity",
  Toggles: "Toggles",
  MediaControls: "Media Controls",
  Sliders: "Sliders",
  Misc: "Miscellaneous",
  PrysmBattery: "Battery",
  PrysmPower: "Power Menu",
  PrysmWeather: "Weather",
  PowerModule: "PowerModule",
  BetterCCXI: "BetterCCXI",
};
const ROOT = "QLNRootListController";
const MAX_STEPS = 12;

// The edited state of the page on top, when it is one with a state row.
export function editedStateOf(screen) {
  const page = screen?.page;
  const pages = { QLNConnectivityController: "connectivity", QLNTogglesController: "toggles" };
  const name = pages[page?.class];
  if (!name) return null;
  const row = page.rows?.find((r) => r.key === "switchState");
  if (!row) return null;
  return { page: name, enabled: !/Disabled/.test(row.title ?? "") };
}

// `app`: post(event) (resolves once answered), screen() (the newest screen),
// layoutOf(key), page (the page element). Resolves true when the row shows.
export async function goToRow(app, key) {
  const layout = app.layoutOf(key);
  const title = PAGE_ROWS[layout];
  if (!title) return false;
  const screen = () => app.screen();
  if (screen()?.modal) return false;
  if (!screen()?.page) await app.post({ event: "open" });
  for (let step = 0; step < MAX_STEPS && screen()?.page && screen().page.class !== ROOT; step++) {
    if (screen().modal) return false;
    await app.post({ event: "back" });
  }
  if (screen()?.page?.class !== ROOT || screen().modal) return false;
  await app.post({ event: "tap", row: { title } });
  const edited = editedStateOf(screen());
  const wantsEnabled = !key.endsWith("Disabled");
  if (edited && edited.enabled !== wantsEnabled)
    await app.post({ event: "tap", row: { key: "switchState" } });
  return highlight(app.page, key);
}

function highlight(page, key) {
  const row = page.querySelector(`.cell[data-key="${CSS.escape(key)}"]`);
  if (!row) return false;
  row.scrollIntoView({ block: "center" });
  row.focus?.({ preventScroll: true });
  row.classList.remove("cell-found");
  void row.offsetWidth; // restart the highlight
  row.classList.add("cell-found");
  return true;
}
