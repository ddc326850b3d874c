// What the preset tools decide apart from the page: from a screen, whether
// they are shown, which presets they list, and when a load or a trial is
// over; from the colour typed, whether a theme can be made of it.

import { entryProblem, readColourEntry } from "./colour-entry.js";

const PRESETS_PAGE = "QLNPresetsController";

// The tools belong to the Presets page: the bundle's page itself gains no row.
export function isPresetsPage(screen) {
  return screen?.page?.class === PRESETS_PAGE;
}

// The presets' names as the Presets page lists them; on another page the
// names known before, since the tools keep their list while hidden.
export function presetNames(screen, before) {
  if (!isPresetsPage(screen)) return before;
  return (screen.page.rows ?? []).filter((r) => r.cellClass === "QLNPreset").map((r) => r.title);
}

// A preset deleted while it was tried is no longer there to show.
export function triedPresetGone(tried, before, after) {
  return before.includes(tried) && !after.includes(tried);
}

// After a tap on the preset `name`, whether the page asks what to do with it
// (its action sheet, with Load), rather than anything else.
export function asksToLoad(screen, name) {
  const sheet = screen?.modal;
  return sheet?.style === "actionSheet" && sheet.title === name;
}

// The harmonies a theme from one colour is laid out in: value, title.
export const HARMONIES = [
  ["monochrome", "Monochrome"],
  ["analogous", "Analogous"],
  ["complementary", "Complementary"],
];

// The colour field of "Theme from Colour": the colour it reads or null; what
// is wrong with it, or null while it reads or is empty; and the request that
// makes the theme, or null while there is no colour. The preset is named
// after the colour as typed.
export function colourThemeEntry(text, harmony) {
  const typed = text.trim();
  const colour = readColourEntry(typed);
  return {
    colour,
    problem: colour ? null : entryProblem(typed),
    request: colour ? { colour: typed, harmony } : null,
  };
}
