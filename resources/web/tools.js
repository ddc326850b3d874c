// The tools beside the Presets page, outside the phone: the bundle's page
// itself gains no row. What changed since the current preset was saved, with
// a way back to it; each preset tried in the picture without loading it, or
// exported to a file; a new preset imported from a file or made from the
// wallpaper. Beside the phone on a wide screen; on a narrow one a "Tools"
// button presents them as a sheet.

import { cssColour } from "./colours.js";
import { el, hiddenFileInput, sentence } from "./dom.js";
import { acceptPresetDrops, askToImport, exportPreset, PLIST_ACCEPT } from "./presetfiles.js";
import { WIDE_QUERY } from "./views.js";

const PRESETS_PAGE = "QLNPresetsController";

function swatch(stored, label) {
  const node = el("span", "tools-swatch");
  const colour = stored?.color ? cssColour(stored.color) : null;
  if (colour) node.style.setProperty("--swatch", colour);
  else node.classList.add("tools-swatch-none");
  node.title = `${label}: ${stored?.value ?? "not set"}`;
  node.setAttribute("role", "img");
  node.setAttribute("aria-label", node.title);
  return node;
}

function changeRow(row) {
  const item = el("li", "tools-row");
  item.dataset.key = row.key;
  const text = el("div", "tools-row-text");
  text.append(el("span", "tools-row-title", row.title));
  const place = [row.page, row.state].filter(Boolean).join(" · ");
  if (place) text.append(el("span", "tools-row-place", place));
  const swatches = el("div", "tools-row-swatches");
  // Colours side by side as swatches; other values (a switch, an order) as their text.
  const asColour = Boolean(row.saved?.color || row.now?.color);
  const side = (stored, label) =>
    asColour ? swatch(stored, label) : el("span", "tools-value", stored?.value ?? "not set");
  swatches.append(side(row.saved, "Saved"), el("span", "tools-arrow", "→"), side(row.now, "Now"));
  item.append(text, swatches);
  return item;
}

function button(className, text, label = null) {
  const node = el("button", className, text);
  node.type = "button";
  if (label) node.setAttribute("aria-label", label);
  return node;
}

function section(id, title, subtitle = null) {
  const node = el("section", "tools-section");
  node.setAttribute("aria-labelledby", id);
  const heading = el("h2", "tools-title", title);
  heading.id = id;
  node.append(heading);
  if (subtitle) node.append(el("p", "tools-subtitle", subtitle));
  return node;
}

// hooks: post, isModalOpen, preview (tryPreset, endTrial, trialName), wallpaper
// (makeTheme, canMakeTheme, onChange, or null), views (show), sheetButtonHost
// (where the narrow layout's "Tools" button goes), announce (a message for a
// moment, when the panel is not shown).
export function createPresetTools(panel, hooks) {
  const { post, isModalOpen, preview, wallpaper, views } = hooks;
  const wide = window.matchMedia?.(WIDE_QUERY) ?? { matches: true, addEventListener() {} };
  let shownChanges = null;
  let names = [];
  let screen = null;
  let endAfterLoad = false;

  // ---- the sections ----

  const sheetHead = el("div", "tools-sheet-head");
  const sheetTitle = el("h2", "tools-sheet-title", "Preset Tools");
  sheetTitle.id = "tools-sheet-title";
  const sheetDone = button("tools-sheet-done", "Done");
  sheetHead.append(sheetTitle, sheetDone);

  const changes = section("tools-changes-title", "What Changed");
  changes.classList.add("tools-changes");
  changes.hidden = true;

  const presets = section(
    "tools-presets-title",
    "Preview and Export",
    "A preview shows a preset in the picture without loading it.",
  );
  const presetList = el("ul", "tools-list");
  presets.append(presetList);

  const created = section("tools-new-title", "New Preset");
  const importButton = button("tools-action", "Import from File…");
  const themeButton = button("tools-action", "Theme from Wallpaper");
  const input = hiddenFileInput(PLIST_ACCEPT, "preset-file");
  const status = el("p", "tools-status");
  status.setAttribute("role", "status");
  status.dataset.testid = "tools-status";
  const offer = el("div", "tools-offer");
  offer.hidden = true;
  const actions = el("div", "tools-actions");
  actions.append(importButton, themeButton, input);
  created.append(actions, status, offer);
  panel.replaceChildren(sheetHead, changes, presets, created);

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
      offer.firstChild.addEventListener("click", () => tryPreset(newPreset));
      offer.lastChild.addEventListener("click", () => load(newPreset));
    }
    if (panel.hidden) hooks.announce?.(message);
  }

  function renderChanges(next) {
    const shown = el("div", "tools-changes-body");
    shown.append(el("p", "tools-subtitle", `Since “${next.preset}” was saved`));
    const list = el("ul", "tools-list");
    for (const row of next.rows) list.append(changeRow(row));
    if (next.rows.length === 0) list.append(el("li", "tools-row tools-empty", "No values differ."));
    const discardButton = button("tools-discard", "Discard Changes");
    discardButton.dataset.testid = "discard-changes";
    discardButton.addEventListener("click", () => discard(next.preset));
    shown.append(list, discardButton);
    changes.querySelector(".tools-changes-body")?.remove();
    changes.append(shown);
  }

  function presetItem(name) {
    const item = el("li", "tools-row tools-preset");
    item.dataset.preset = name;
    const tryButton = button("tools-button", "Preview", `Preview “${name}”`);
    tryButton.dataset.role = "preview";
    tryButton.addEventListener("click", () => {
      if (preview.trialName() === name) preview.endTrial();
      else tryPreset(name);
    });
    const exportButton = button("tools-button", "Export", `Export “${name}” to File`);
    exportButton.title = `Download ${name}.plist`;
    exportButton.addEventListener("click", () => exportPreset(name));
    item.append(el("span", "tools-row-title", name), tryButton, exportButton);
    return item;
  }

  function renderPresets() {
    presetList.replaceChildren(...names.map(presetItem));
    if (names.length === 0) presetList.append(el("li", "tools-row tools-empty", "No presets."));
    markTrial(preview.trialName());
  }

  function markTrial(name) {
    for (const item of presetList.querySelectorAll(".tools-preset")) {
      const tryButton = item.querySelector("[data-role=preview]");
      tryButton.setAttribute("aria-pressed", String(item.dataset.preset === name));
    }
  }

  function refreshTheme() {
    themeButton.disabled = !wallpaper?.canMakeTheme();
  }

  // ---- what they do ----

  function discard(name) {
    if (isModalOpen()) return;
    // The bundle's own Load, with its own confirmation for the user to answer.
    post({ event: "tap", row: { fileName: name } });
    post({ event: "alert", button: "Load" });
  }

  async function tryPreset(name) {
    // On a narrow screen the picture is on its own tab.
    if (!wide.matches) {
      closeSheet();
      views.show("preview");
    }
    const error = await preview.tryPreset(name);
    if (error) say(error, { error: true });
  }

  // The bundle's own Load, its confirmation included; a trial ends once the
  // page has nothing more to ask.
  async function load(name) {
    if (isModalOpen()) return;
    if (!wide.matches) {
      closeSheet();
      views.show("settings");
    }
    await post({ event: "tap", row: { fileName: name } });
    const sheet = screen?.modal;
    if (sheet?.style !== "actionSheet" || sheet.title !== name) return;
    await post({ event: "alert", button: "Load" });
    endAfterLoad = true;
    if (!screen?.modal) endLoadedTrial();
  }

  function endLoadedTrial() {
    endAfterLoad = false;
    preview.endTrial({ awaitPicture: true });
  }

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

  // ---- the sheet of a narrow screen ----

  const opener = button("tools-open", "Tools", "Preset Tools");
  opener.hidden = true;
  opener.setAttribute("aria-haspopup", "dialog");
  hooks.sheetButtonHost?.append(opener);
  const backdrop = el("div", "tools-backdrop");
  backdrop.hidden = true;
  document.body.append(backdrop);
  const behind = () =>
    [...document.body.children].filter((n) => n !== panel.parentElement && n !== backdrop);
  const sheetOpen = () => document.body.dataset.toolsSheet === "open";

  function openSheet() {
    document.body.dataset.toolsSheet = "open";
    panel.setAttribute("role", "dialog");
    panel.setAttribute("aria-modal", "true");
    panel.setAttribute("aria-labelledby", "tools-sheet-title");
    // Everything but the sheet waits; the workspace holds the sheet, so its
    // other panels wait one by one.
    for (const node of [...behind(), ...panel.parentElement.children])
      if (node !== panel) node.inert = true;
    backdrop.hidden = false;
    sheetDone.focus();
  }

  function closeSheet() {
    if (!sheetOpen()) return;
    delete document.body.dataset.toolsSheet;
    panel.setAttribute("role", "complementary");
    panel.removeAttribute("aria-modal");
    panel.removeAttribute("aria-labelledby");
    for (const node of [...behind(), ...panel.parentElement.children]) node.inert = false;
    backdrop.hidden = true;
    if (!opener.hidden) opener.focus();
  }

  opener.addEventListener("click", openSheet);
  sheetDone.addEventListener("click", closeSheet);
  backdrop.addEventListener("click", closeSheet);
  // Escape closes the sheet before anything behind it hears the key (a trial
  // in the picture would end), unless the import sheet over it takes it.
  document.addEventListener(
    "keydown",
    (e) => {
      if (e.key !== "Escape" || !sheetOpen() || document.querySelector("dialog[open]")) return;
      e.preventDefault();
      closeSheet();
    },
    true,
  );
  wide.addEventListener?.("change", closeSheet);

  return {
    update(next) {
      screen = next;
      const onPresets = next.page?.class === PRESETS_PAGE;
      panel.hidden = !onPresets;
      opener.hidden = !onPresets;
      document.body.dataset.tools = onPresets ? "shown" : "";
      if (!onPresets) {
        closeSheet();
        // Leaving the page ends a trial begun there.
        preview.endTrial();
      }
      if (endAfterLoad && !next.modal) endLoadedTrial();

      const changed = next.presetChanges ?? null;
      const json = JSON.stringify(changed);
      if (json !== shownChanges) {
        shownChanges = json;
        changes.hidden = !changed;
        if (changed) renderChanges(changed);
      }
      const nextNames = onPresets
        ? (next.page.rows ?? []).filter((r) => r.cellClass === "QLNPreset").map((r) => r.title)
        : names;
      // A preset deleted while it was tried is no longer there to show.
      const tried = preview.trialName();
      if (names.includes(tried) && !nextNames.includes(tried)) preview.endTrial();
      if (
        JSON.stringify(nextNames) !== JSON.stringify(names) ||
        presetList.childElementCount === 0
      ) {
        names = nextNames;
        renderPresets();
      }
    },
    // The preview tells which preset it shows, or null.
    trialChanged: markTrial,
    load,
  };
}
