// The presets page: create, load with its confirmation, export and import
// through the browser's clipboard; beside it, what changed, and a preset tried
// in the picture before it is loaded.

import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdir, readFile, writeFile } from "node:fs/promises";
import {
  act,
  back,
  cell,
  choose,
  eventually,
  keyed,
  sharedPhone,
  openBundle,
  PERSISTENT,
  PRESETS_DIR,
  screenshot,
  SETTINGS,
  SIZES,
  stillOnScreen,
  tapRow,
  waitForAlert,
  waitForNoModal,
} from "./harness.js";

const phone = sharedPhone();

const presetRow = (page, name) =>
  page.locator(`#page .cell[data-cell-class="QLNPreset"][data-title="${name}"]`);
const presetNames = (page) =>
  page
    .locator('#page .cell[data-cell-class="QLNPreset"]')
    .evaluateAll((nodes) => nodes.map((n) => n.dataset.title));

async function newPreset(session, name) {
  await act(session, () => cell(session.page, "New Preset").click());
  await waitForAlert(session.page, "New Preset");
  await choose(session, "Save", [name]);
  await waitForNoModal(session.page);
  await presetRow(session.page, name).waitFor();
}

async function selectAction(session, name, action) {
  await act(session, () => presetRow(session.page, name).click());
  await waitForAlert(session.page, name);
  assert.equal(
    await session.page.locator("#modal").getAttribute("data-modal-style"),
    "actionSheet",
  );
  await choose(session, action);
}

async function presets(t, options = {}) {
  const session = await phone.start(t, options);
  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  return session;
}

test("a new preset becomes current; loading another after a change asks first", async (t) => {
  const session = await presets(t);
  const { page } = session;
  await newPreset(session, "Morning");
  await newPreset(session, "Evening");
  assert.deepEqual(await presetNames(page), ["Evening", "Morning"]);
  assert.equal(await presetRow(page, "Evening").locator(".checkmark").count(), 1);
  assert.equal(await presetRow(page, "Morning").locator(".checkmark").count(), 0);
  assert.equal((await session.persistent()).currentPreset, "Evening");
  assert.equal(await page.locator("[data-testid=nav-right]").isDisabled(), true);
  const saved = await readFile(session.file(`${PRESETS_DIR}/Evening.plist`), "utf8");
  assert.equal(saved, await readFile(session.file(SETTINGS), "utf8"));

  // A change elsewhere leaves the current preset unsaved.
  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "connectivityModeEnabled").locator("[role=switch]").click());
  assert.equal((await session.settings()).connectivityModeEnabled, false);
  await back(session, "Quillane");
  await tapRow(session, "Presets", "Presets");
  await eventually(
    async () => /Unsaved/.test(await presetRow(page, "Evening").textContent()),
    "Unsaved on Evening",
  );
  assert.equal(await page.locator("[data-testid=nav-right]").isEnabled(), true);

  // Loading Morning warns about the change; Cancel keeps everything.
  await selectAction(session, "Morning", "Load");
  await waitForAlert(page, "Morning");
  assert.match(await page.locator("#modal .alert-message").textContent(), /unsaved changes/);
  await choose(session, "Cancel");
  await waitForNoModal(page);
  assert.equal((await session.settings()).connectivityModeEnabled, false);

  await selectAction(session, "Morning", "Load");
  await waitForAlert(page, "Morning");
  await choose(session, "OK");
  await waitForNoModal(page);
  await eventually(
    async () => (await presetRow(page, "Morning").locator(".checkmark").count()) === 1,
    "Morning checked",
  );
  assert.doesNotMatch(await presetRow(page, "Morning").textContent(), /Unsaved/);
  const settings = await session.settings();
  assert.equal(settings.connectivityModeEnabled, true);
  const persistent = await session.persistent();
  assert.equal(persistent.currentPreset, "Morning");
  assert.equal(persistent.unsaved, false);
  assert.equal(await page.locator("[data-testid=nav-right]").isDisabled(), true);
});

test("a taken name is refused with an error alert", async (t) => {
  const session = await presets(t);
  await newPreset(session, "Same");
  await act(session, () => cell(session.page, "New Preset").click());
  await waitForAlert(session.page, "New Preset");
  await choose(session, "Save", ["Same"]);
  await waitForAlert(session.page, "Error");
  await choose(session, "OK");
  await waitForNoModal(session.page);
  assert.deepEqual(await presetNames(session.page), ["Same"]);
});

test("export copies the preset to the clipboard and import reads it back as a new preset", async (t) => {
  const session = await presets(t, { clipboard: true });
  const { page } = session;
  await newPreset(session, "Sunset");

  await selectAction(session, "Sunset", "Export");
  await waitForAlert(page, "Export successful");
  await choose(session, "OK");
  await waitForNoModal(page);
  const exported = await eventually(async () => {
    const text = await page.evaluate(() => navigator.clipboard.readText());
    return text.length > 0 ? text : null;
  }, "the exported string on the clipboard");
  const screen = await page.evaluate(() => fetch("/api/screen").then((r) => r.json()));
  assert.equal(screen.pasteboard.kind, "string");
  assert.equal(exported, screen.pasteboard.string);

  // Empty the device's own pasteboard, so only the browser's clipboard can
  // carry the string into the import.
  await page.evaluate(() =>
    fetch("/api/event", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ event: "pasteboard", clear: true }),
    }),
  );

  await act(session, () => cell(page, "Import Preset").click());
  await waitForAlert(page, "Import Preset");
  await choose(session, "Save", ["Sunrise"]);
  await waitForNoModal(page);
  await presetRow(page, "Sunrise").waitFor();
  assert.deepEqual(await presetNames(page), ["Sunrise", "Sunset"]);
  const imported = await readFile(session.file(`${PRESETS_DIR}/Sunrise.plist`), "utf8");
  assert.equal(imported, await readFile(session.file(`${PRESETS_DIR}/Sunset.plist`), "utf8"));
  // Import does not make the new preset current.
  assert.equal((await session.persistent()).currentPreset, "Sunset");
});

// Where focus is: the title of the row holding it, the page heading, or what else.
const focusPlace = (page) =>
  page.evaluate(() => {
    const active = document.activeElement;
    if (!active || active === document.body) return "<body>";
    if (active.id === "page-title") return `heading ${active.textContent}`;
    const row = active.closest("[data-title]");
    return row
      ? `row ${row.dataset.title}`
      : `${active.tagName.toLowerCase()} ${active.textContent}`;
  });

test("after a dialog closes from the keyboard, focus is back on the row that opened it or on the heading", async (t) => {
  const session = await presets(t);
  const { page } = session;
  await newPreset(session, "Dawn");
  const cases = [
    // row opened with Enter, then what is done in the dialog, then where focus must be
    {
      row: "New Preset",
      dialog: "New Preset",
      answer: async () => {
        await page.keyboard.type("Evening");
        await page.keyboard.press("Enter");
      },
      focus: "row New Preset",
    },
    {
      row: "Evening",
      dialog: "Evening",
      answer: () => page.keyboard.press("Escape"),
      focus: "row Evening",
    },
    {
      row: "New Preset",
      dialog: "New Preset",
      answer: () => page.keyboard.press("Escape"),
      focus: "row New Preset",
    },
    {
      row: "Dawn",
      dialog: "Dawn",
      answer: async () => {
        await page.locator('#modal button[data-action-title="Delete"]').focus();
        await page.keyboard.press("Enter");
      },
      // The row is gone with its preset.
      confirm: "Yes",
      focus: "heading Presets",
    },
  ];
  for (const { row, dialog, answer, confirm, focus } of cases) {
    await cell(page, row).focus();
    await act(session, () => page.keyboard.press("Enter"));
    await waitForAlert(page, dialog);
    await act(session, answer);
    if (confirm) {
      const button = page.locator(`#modal button[data-action-title="${confirm}"]`);
      await button.waitFor();
      await button.focus();
      await act(session, () => page.keyboard.press("Enter"));
    }
    await waitForNoModal(page);
    assert.equal(await focusPlace(page), focus, `${row}: ${dialog}`);
  }
  assert.deepEqual(await presetNames(page), ["Evening"]);
});

test("the Presets page opens with nothing moving: the phone, the picture and the tools stay put", async (t) => {
  const session = await phone.start(t, { size: "desktop", picture: true });
  const { page } = session;
  await openBundle(session);
  const box = (selector) => page.locator(selector).boundingBox();
  const placed = async () => [await box("#phone"), await box("#preview .cc-screen")];
  const before = await placed();
  await tapRow(session, "Presets", "Presets");
  await page.locator("#tools").getByRole("button", { name: "Import from File…" }).waitFor();
  const tools = await box("#tools");
  assert.deepEqual(await placed(), before);
  await page.waitForTimeout(400);
  assert.deepEqual(await box("#tools"), tools, "the tools moved after they appeared");
  // Elsewhere the tools' place stays, empty and out of the keyboard's way.
  await back(session, "Quillane");
  assert.deepEqual(await placed(), before);
  assert.equal(await page.locator("#tools").isVisible(), false);
  const reachable = await page
    .locator("#tools button")
    .evaluateAll(
      (buttons) => buttons.filter((b) => b.checkVisibility({ visibilityProperty: true })).length,
    );
  assert.equal(reachable, 0);
});

test("beside the page, what changed since the preset was saved, and Discard Changes as one step", async (t) => {
  const session = await presets(t);
  const { page } = session;
  await page.setViewportSize(SIZES.desktop);
  await newPreset(session, "Evening");
  const tools = page.locator("#tools .tools-changes");
  assert.equal(await tools.isHidden(), true);
  const saved = await readFile(session.file(`${PRESETS_DIR}/Evening.plist`), "utf8");

  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "connectivityModeEnabled").locator("[role=switch]").click());
  await back(session, "Quillane");
  await tapRow(session, "Presets", "Presets");
  await tools.waitFor();
  const row = tools.locator('.tools-row[data-key="connectivityModeEnabled"]');
  assert.match(await row.textContent(), /Custom Toggle Colors.*Connectivity/);
  assert.equal(await tools.locator(".tools-row").count(), 1);
  const edited = await readFile(session.file(SETTINGS), "utf8");

  // Discard runs the page's own Load, whose confirmation the user answers.
  await act(session, () => tools.getByRole("button", { name: "Discard Changes" }).click());
  await waitForAlert(page, "Evening");
  assert.match(await page.locator("#modal .alert-message").textContent(), /unsaved changes/);
  await choose(session, "OK");
  await waitForNoModal(page);
  assert.equal(await readFile(session.file(SETTINGS), "utf8"), saved);
  await eventually(() => tools.isHidden(), "the tools to go once nothing is unsaved");
  assert.equal(
    await page.locator("[data-testid=history-undo]").getAttribute("aria-label"),
    "Undo Discard Changes to “Evening”",
  );

  await act(session, () => page.locator("[data-testid=history-undo]").click());
  assert.equal(await readFile(session.file(SETTINGS), "utf8"), edited);
  await eventually(
    async () => /Unsaved/.test(await presetRow(page, "Evening").textContent()),
    "Unsaved again",
  );
  await tools.waitFor();
});

const wifi = (page) => page.locator('#preview .cc-toggle[data-name="wifi"]');
const rgbOf = (locator) =>
  locator.evaluate((n) =>
    getComputedStyle(n)
      .backgroundColor.match(/[\d.]+/g)
      .map(Number),
  );
const near = (rgb, want) => want.every((c, i) => Math.abs(rgb[i] - c) <= 1);
const NIGHT_ON = [48, 176, 199]; // #30B0C7
const NIGHT_OFF = [88, 86, 214]; // #5856D6

// The device's settings as the preset "Night", with its own Wi-Fi colours.
async function writeNight(session) {
  const settings = await readFile(session.file(SETTINGS), "utf8");
  const night = settings.replace(
    "<dict>",
    "<dict><key>wifiEnabled</key><string>#30B0C7</string>" +
      "<key>wifiDisabled</key><string>#5856D6</string>",
  );
  await mkdir(session.file(PRESETS_DIR), { recursive: true });
  await writeFile(session.file(`${PRESETS_DIR}/Night.plist`), night);
  return night;
}

async function wifiBecomes(page, want, what) {
  await eventually(async () => near(await rgbOf(wifi(page)), want), what);
  await stillOnScreen(page);
  assert.ok(near(await rgbOf(wifi(page)), want), what);
}

test("a preset is tried in the picture, marked, with nothing written, until Done, Escape or leaving; Load makes it real", async (t) => {
  const session = await phone.start(t, { size: "desktop" });
  const { page } = session;
  const night = await writeNight(session);
  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  await newPreset(session, "Evening");
  // An unsaved change, so that Load asks first: custom toggle colours off.
  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "connectivityModeEnabled").locator("[role=switch]").click());
  await back(session, "Quillane");
  await tapRow(session, "Presets", "Presets");
  await stillOnScreen(page);
  const live = await rgbOf(wifi(page));
  assert.ok(!near(live, NIGHT_ON));
  const settings = await readFile(session.file(SETTINGS));
  const persistent = await readFile(session.file(PERSISTENT));
  const marker = page.locator("[data-testid=trial-marker]");
  const tryNight = page.locator("#tools").getByRole("button", { name: "Preview “Night”" });

  await tryNight.click();
  await marker.waitFor();
  assert.equal(
    await marker.locator("[data-testid=trial-label]").textContent(),
    "Preview of “Night”",
  );
  // The marker covers nothing of the picture: not the status line, not the top modules.
  const markerBox = await marker.boundingBox();
  for (const part of [".cc-statusbar", ".cc-status-message", ".cc-connectivity", ".cc-media"]) {
    const box = await page.locator(`#preview ${part}`).boundingBox();
    const apart = markerBox.y + markerBox.height <= box.y || box.y + box.height <= markerBox.y;
    assert.ok(apart, `the marker over ${part}`);
  }
  assert.equal(await tryNight.getAttribute("aria-pressed"), "true");
  assert.equal(await wifi(page).getAttribute("data-key"), "wifiEnabled");
  await wifiBecomes(page, NIGHT_ON, "Night's Wi-Fi colour in the picture");
  await screenshot(page, "45-preset-trial");
  // A toggle flipped meanwhile shows the tried preset's other state.
  await wifi(page).click();
  await wifiBecomes(page, NIGHT_OFF, "Night's colour of Wi-Fi off");
  await wifi(page).click();
  await wifiBecomes(page, NIGHT_ON, "Night's colour of Wi-Fi on again");
  assert.deepEqual(await readFile(session.file(SETTINGS)), settings);
  assert.deepEqual(await readFile(session.file(PERSISTENT)), persistent);
  const state = await session.persistent();
  assert.equal(state.currentPreset, "Evening");
  assert.equal(state.unsaved, true);

  // Each way out returns to the colours in use.
  const ways = [
    ["Escape", () => page.keyboard.press("Escape")],
    ["Done", () => marker.getByRole("button", { name: /^Done/ }).click()],
    ["the row's Preview again", () => tryNight.click()],
    ["leaving the page", () => back(session, "Quillane")],
  ];
  for (const [way, leave] of ways) {
    if (!(await tryNight.isVisible())) await tapRow(session, "Presets", "Presets");
    if (await marker.isHidden()) await tryNight.click();
    await marker.waitFor();
    await wifiBecomes(page, NIGHT_ON, `tried before ${way}`);
    await leave();
    await marker.waitFor({ state: "hidden" });
    await wifiBecomes(page, live, `the colours in use after ${way}`);
  }
  assert.deepEqual(await readFile(session.file(SETTINGS)), settings);
  assert.deepEqual(await readFile(session.file(PERSISTENT)), persistent);

  // Load from the marker runs the page's own Load, its question included.
  await tapRow(session, "Presets", "Presets");
  await tryNight.click();
  await marker.waitFor();
  await act(session, () => marker.getByRole("button", { name: "Load “Night”" }).click());
  await waitForAlert(page, "Night");
  assert.match(await page.locator("#modal .alert-message").textContent(), /unsaved changes/);
  await choose(session, "OK");
  await waitForNoModal(page);
  await marker.waitFor({ state: "hidden" });
  await wifiBecomes(page, NIGHT_ON, "Night loaded");
  assert.equal(await readFile(session.file(SETTINGS), "utf8"), night);
  const loaded = await session.persistent();
  assert.equal(loaded.currentPreset, "Night");
  assert.equal(loaded.unsaved, false);
});

test("on a phone-sized screen the tools open as a sheet, and a tried preset shows on the Preview tab", async (t) => {
  const session = await presets(t);
  const { page } = session;
  await newPreset(session, "Evening");
  const opener = page.getByRole("button", { name: "Preset Tools" });
  const sheet = page.getByRole("dialog", { name: "Preset Tools" });
  assert.equal(await page.locator("#tools").isVisible(), false);

  await opener.click();
  await sheet.waitFor();
  assert.equal(await page.locator("#phone").evaluate((n) => n.inert), true);
  await stillOnScreen(page);
  await screenshot(page, "46-tools-sheet");
  await page.keyboard.press("Escape");
  await sheet.waitFor({ state: "hidden" });
  assert.equal(await opener.evaluate((n) => n === document.activeElement), true);

  await opener.click();
  await sheet.getByRole("button", { name: "Preview “Evening”" }).click();
  await sheet.waitFor({ state: "hidden" });
  assert.equal(await page.evaluate(() => document.body.dataset.view), "preview");
  const marker = page.locator("[data-testid=trial-marker]");
  await marker.waitFor();
  // Escape closes the sheet opened over a trial, and leaves the trial.
  await page.getByRole("tab", { name: "Settings" }).click();
  await opener.click();
  await sheet.waitFor();
  await page.keyboard.press("Escape");
  await sheet.waitFor({ state: "hidden" });
  assert.equal(await marker.getAttribute("hidden"), null, "still tried");
  await page.getByRole("tab", { name: "Preview" }).click();
  await marker.getByRole("button", { name: /^Done/ }).click();
  await marker.waitFor({ state: "hidden" });

  // A preset deleted while it is tried leaves the picture too.
  await opener.click();
  await sheet.getByRole("button", { name: "Preview “Evening”" }).click();
  await marker.waitFor();
  await page.getByRole("tab", { name: "Settings" }).click();
  await selectAction(session, "Evening", "Delete");
  await waitForAlert(page, "Evening");
  await choose(session, "Yes");
  await waitForNoModal(page);
  await eventually(async () => (await marker.getAttribute("hidden")) !== null, "the trial ended");

  // Away from the presets page there are no preset tools.
  await page.getByRole("tab", { name: "Settings" }).click();
  await back(session, "Quillane");
  assert.equal(await opener.isVisible(), false);
});
