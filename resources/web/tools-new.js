// "New Preset": a preset imported from a file (chosen, or a .plist dropped on
// the page) or made from the wallpaper; the tools' status line below it,
// which offers to preview or load a preset just made.

import { el, hiddenFileInput } from "./dom.js";
import { acceptPresetDrops, askToImport, PLIST_ACCEPT } from "./presetfiles.js";
import { button, section, statusLine } from "./tools-parts.js";

// `panel`: the tools' panel. hooks: wallpaper (makeTheme, canMakeTheme,
// onChange, or null), onPreview(name) and onLoad(name) for the offer,
// announce(message) for a message while the panel is not shown.
export function createNewPresets(panel, { wallpaper, onPreview, onLoad, announce }) {
  const node = section("tools-new-title", "New Preset");
  const importButton = button("tools-action", "Import from File…");
  const themeButton = button("tools-action", "Theme from Wallpaper");
  // A greyed-out button says nothing of why: the line below it does.
  const themeHint = el(
    "p",
    "tools-hint",
    "Theme from Wallpaper needs a wallpaper: choose one below the picture.",
  );
  themeHint.id = "tools-theme-hint";
  themeHint.dataset.testid = "theme-hint";
  themeButton.setAttribute("aria-describedby", themeHint.id);
  const input = hiddenFileInput(PLIST_ACCEPT, "preset-file");
  const { nodes: told, say } = statusLine(panel, {
    testid: "tools-status",
    onPreview,
    onLoad,
    announce,
  });
  const actions = el("div", "tools-actions");
  actions.append(importButton, themeButton, input);
  node.append(actions, themeHint, ...told);

  async function importFile(file) {
    if (!file) return;
    const name = await askToImport(file);
    if (name !== null) say(`Preset “${name}” imported.`, { newPreset: name });
  }

  async function makeTheme() {
    const answer = await wallpaper.makeTheme();
    if (answer.error) say(answer.error, { error: true });
    else say(`New preset “${answer.name}” made from the wallpaper.`, { newPreset: answer.name });
  }

  function refreshTheme() {
    themeButton.disabled = !wallpaper?.canMakeTheme();
    themeHint.hidden = Boolean(wallpaper?.hasWallpaper());
  }

  importButton.addEventListener("click", () => input.click());
  input.addEventListener("change", () => {
    const file = input.files?.[0];
    input.value = "";
    importFile(file);
  });
  themeButton.addEventListener("click", makeTheme);
  wallpaper?.onChange(refreshTheme);
  refreshTheme();
  acceptPresetDrops(importFile);

  return { node, say };
}
