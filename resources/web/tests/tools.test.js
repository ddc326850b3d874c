import { test } from "node:test";
import assert from "node:assert/strict";
import {
  asksToLoad,
  colourThemeEntry,
  isPresetsPage,
  presetNames,
  triedPresetGone,
} from "../tools-model.js";

const presetsPage = (rows) => ({ page: { class: "QLNPresetsController", rows } });
const row = (title, cellClass = "QLNPreset") => ({ title, cellClass });

test("the tools list the Presets page's presets, and keep them while another page is up", () => {
  const before = ["Night"];
  const cases = [
    // screen, shown, names listed
    [
      presetsPage([row("New Preset", "PSButtonCell"), row("Day"), row("Night")]),
      true,
      ["Day", "Night"],
    ],
    [presetsPage([row("New Preset", "PSButtonCell")]), true, []],
    [presetsPage(undefined), true, []],
    [{ page: { class: "QLNConnectivityController", rows: [row("Day")] } }, false, before],
    [{ page: null }, false, before],
    [null, false, before],
  ];
  for (const [screen, shown, names] of cases) {
    assert.equal(isPresetsPage(screen), shown, JSON.stringify(screen));
    assert.deepEqual(presetNames(screen, before), names, JSON.stringify(screen));
  }
});

test("a trial ends when its preset leaves the list, not when it was never listed", () => {
  const cases = [
    // tried, names before, names after, gone
    ["Night", ["Day", "Night"], ["Day"], true],
    ["Night", ["Day", "Night"], ["Night", "Day"], false],
    // A preset tried before the list knew it (just imported) stays.
    ["Night", ["Day"], ["Day"], false],
    [null, ["Day"], [], false],
  ];
  for (const [tried, before, after, gone] of cases)
    assert.equal(
      triedPresetGone(tried, before, after),
      gone,
      JSON.stringify([tried, before, after]),
    );
});

test("Load goes on only when the page asks about that very preset", () => {
  const sheet = (style, title) => ({ modal: { style, title } });
  const cases = [
    [sheet("actionSheet", "Night"), true],
    [sheet("actionSheet", "Day"), false],
    [sheet("alert", "Night"), false],
    [{ modal: null }, false],
    [null, false],
  ];
  for (const [screen, asks] of cases)
    assert.equal(asksToLoad(screen, "Night"), asks, JSON.stringify(screen));
});

test("a theme is asked of a colour only once the field reads, named as typed", () => {
  const cases = [
    // typed, the problem told, the request
    ["coral", null, { colour: "coral", harmony: "analogous" }],
    ["  #FF2D55 ", null, { colour: "#FF2D55", harmony: "analogous" }],
    ["rgb(255 45 85)", null, { colour: "rgb(255 45 85)", harmony: "analogous" }],
    ["#FF2G55", "“G” is not a hex digit (0–9, A–F).", null],
    ["corall", "“corall” is not a colour name.", null],
    ["", null, null],
    ["   ", null, null],
  ];
  for (const [typed, problem, request] of cases) {
    const entry = colourThemeEntry(typed, "analogous");
    assert.equal(entry.problem, problem, typed);
    assert.deepEqual(entry.request, request, typed);
    assert.equal(entry.colour !== null, request !== null, typed);
  }
});
