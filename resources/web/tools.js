// The tools beside the Presets page, outside the phone: the bundle's page
// itself gains no row. What changed since the current preset was saved, with
// a way back to it; each preset tried in the picture without loading it, or
// exported to a file; a new preset imported from a file or made from the
// wallpaper or from one colour. Beside the phone on a wide screen; on a
// narrow one a "Tools" button presents them as a sheet.

import { TOOLS_KEEP_PLACE_QUERY, WIDE_QUERY } from "./views.js";
import { createChanges } from "./tools-changes.js";
import { createColourTheme } from "./tools-colour.js";
import { createLoader } from "./tools-load.js";
import { isPresetsPage, presetNames, triedPresetGone } from "./tools-model.js";
import { createNewPresets } from "./tools-new.js";
import { createPresetList } from "./tools-presets.js";
import { createToolsSheet } from "./tools-sheet.js";

// hooks: post, isModalOpen, preview (tryPreset, endTrial, trialName), wallpaper
// (makeTheme, canMakeTheme, onChange, or null), views (show), sheetButtonHost
// (where the narrow layout's "Tools" button goes), announce (a message for a
// moment, when the panel is not shown).
export function createPresetTools(panel, hooks) {
  const { post, isModalOpen, preview, wallpaper, views } = hooks;
  const wide = window.matchMedia?.(WIDE_QUERY) ?? { matches: true, addEventListener() {} };
  const keepPlace = window.matchMedia?.(TOOLS_KEEP_PLACE_QUERY) ?? { matches: false };
  let names = [];
  let onPresets = false;

  // Where the window has room for the tools beside the phone and the picture,
  // their place is kept on every page, empty, so that nothing moves when the
  // Presets page opens; elsewhere they take their place only on that page.
  // (Out of sight, `visibility: hidden` keeps it out of the keyboard's way too.)
  function place() {
    panel.hidden = !onPresets && !keepPlace.matches;
    if (onPresets) delete panel.dataset.idle;
    else panel.dataset.idle = "";
  }
  keepPlace.addEventListener?.("change", place);

  // On a narrow screen the picture and the settings are on tabs of their own.
  function leaveSheetFor(view) {
    if (wide.matches) return;
    sheet.close();
    views.show(view);
  }
  const loader = createLoader({
    post,
    isModalOpen,
    preview,
    beforeLoad: () => leaveSheetFor("settings"),
  });
  const changes = createChanges({ onDiscard: loader.discard });
  const list = createPresetList({
    onPreview: (name) => (preview.trialName() === name ? preview.endTrial() : tryPreset(name)),
  });
  const offer = { onPreview: tryPreset, onLoad: loader.load, announce: hooks.announce };
  const created = createNewPresets(panel, { wallpaper, ...offer });
  const fromColour = createColourTheme(panel, offer);
  const sheet = createToolsSheet(panel, { host: hooks.sheetButtonHost, wide });
  panel.replaceChildren(sheet.head, changes.node, list.node, created.node, fromColour.node);

  async function tryPreset(name) {
    leaveSheetFor("preview");
    const error = await preview.tryPreset(name);
    if (error) created.say(error, { error: true });
  }

  // The presets listed follow the page's rows.
  function updateList(screen) {
    const nextNames = presetNames(screen, names);
    if (triedPresetGone(preview.trialName(), names, nextNames)) preview.endTrial();
    if (JSON.stringify(nextNames) !== JSON.stringify(names) || list.isEmpty()) {
      names = nextNames;
      list.render(names, preview.trialName());
    }
  }

  return {
    update(screen) {
      onPresets = isPresetsPage(screen);
      place();
      sheet.setAvailable(onPresets);
      document.body.dataset.tools = onPresets ? "shown" : "";
      // Leaving the page ends a trial begun there.
      if (!onPresets) preview.endTrial();
      loader.update(screen);
      changes.update(screen.presetChanges ?? null);
      updateList(screen);
    },
    // The preview tells which preset it shows, or null.
    trialChanged: list.mark,
    load: loader.load,
  };
}
