// The Control Center preview beside the settings: it follows the colours the
// user picks, flips toggles, and its appearance switch brings back the preset
// assigned to that appearance.

import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import {
  act,
  back,
  cell,
  choose,
  closePicker,
  detailOf,
  eventually,
  keyed,
  openBundle,
  openPhone,
  screenshot,
  startSession,
  tapRow,
  typeHex,
  waitForAlert,
  waitForNoModal,
  waitForPicker,
} from "./harness.js";

const WIDE = { width: 1200, height: 900 };
const NARROW = { width: 390, height: 844 };
const STOCK_BLUE = "rgb(0, 122, 255)";
const PICKED = "rgb(255, 45, 85)";

let phone;
before(async () => {
  phone = await openPhone();
});
after(async () => {
  await phone?.close();
});

const toggle = (page, name) => page.locator(`#preview .cc-toggle[data-name="${name}"]`);
const background = (locator) => locator.evaluate((n) => getComputedStyle(n).backgroundColor);
const presetRow = (page, name) => page.locator(`#page .cell[data-cell-class="QLNPreset"][data-title="${name}"]`);

async function start(t, viewport = WIDE) {
  await phone.page.setViewportSize(viewport);
  const session = await startSession(t, phone);
  await eventually(async () => (await phone.page.locator("#preview .cc-toggle").count()) === 6, "six toggles drawn");
  // Gone after any reload of the page.
  await phone.page.evaluate(() => (window.sameDocument = true));
  return session;
}

async function pickColour(session, key, value) {
  await act(session, () => keyed(session.page, key).click());
  await waitForPicker(session.page);
  await typeHex(session, value);
  await closePicker(session);
}

// Clicks a control of the preview and waits for the theming component's answer.
async function previewAction(page, locator) {
  const answered = page.waitForResponse((r) => r.url().endsWith("/api/preview") && r.request().method() === "POST");
  await locator.click();
  const response = await answered;
  assert.equal(response.status(), 200, await response.text());
}

// The page draws the answer, or the stream's newer picture, a moment after
// the response arrives.
async function attributeBecomes(locator, name, want) {
  await eventually(async () => (await locator.getAttribute(name)) === want, `${name}="${want}"`);
}

async function settledColour(locator, want, what) {
  // Colours ease over a quarter second; wait for the end of it.
  await eventually(async () => (await background(locator)) === want, what);
}

test("a colour picked in the settings reaches the preview's toggle without a reload", async (t) => {
  const session = await start(t);
  const { page } = session;
  const wifi = toggle(page, "wifi");
  assert.equal(await background(wifi), STOCK_BLUE);
  assert.equal(await wifi.getAttribute("data-source"), "stock");
  // The toggles are named, pressed when on, in the order the file gives.
  const order = await page.locator("#preview .cc-toggle").evaluateAll((n) => n.map((b) => b.dataset.name));
  assert.deepEqual(order, ["airplane", "cellularData", "wifi", "bluetooth", "airdrop", "hotspot"]);
  await page.getByRole("button", { name: "Wi-Fi", pressed: true }).waitFor();
  await page.getByRole("button", { name: "Airplane Mode", pressed: false }).waitFor();

  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await pickColour(session, "wifiEnabled", "#FF2D55");
  await settledColour(wifi, PICKED, "the picked colour on the Wi-Fi toggle");
  assert.equal(await wifi.getAttribute("data-source"), "stored");
  assert.equal(await background(toggle(page, "bluetooth")), STOCK_BLUE);
  assert.equal(await page.evaluate(() => window.sameDocument), true);
  await screenshot(page, "11-preview-wide");

  // Tapping the toggle turns Wi-Fi off: its disabled colour, unchanged, is
  // the stock one; tapping again brings the picked colour back.
  await previewAction(page, wifi);
  await attributeBecomes(wifi, "aria-pressed", "false");
  assert.equal(await wifi.getAttribute("data-key"), "wifiDisabled");
  await settledColour(wifi, "rgba(142, 142, 147, 0.4)", "the stock disabled colour");
  await previewAction(page, wifi);
  await attributeBecomes(wifi, "aria-pressed", "true");
  await settledColour(wifi, PICKED, "the picked colour again");

  // A module's tile flips the same way.
  const flashlight = page.getByRole("button", { name: "Flashlight" });
  assert.equal(await flashlight.getAttribute("aria-pressed"), "false");
  await previewAction(page, flashlight);
  await attributeBecomes(flashlight, "aria-pressed", "true");
  assert.deepEqual(session.errors, []);
});

test("switching the preview to dark brings back the preset used for Dark Mode", async (t) => {
  const session = await start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  await act(session, () => cell(page, "New Preset").click());
  await waitForAlert(page, "New Preset");
  await choose(session, "Save", ["Night"]);
  await waitForNoModal(page);
  await act(session, () => presetRow(page, "Night").click());
  await waitForAlert(page, "Night");
  await choose(session, "Use for Dark Mode");
  await waitForNoModal(page);
  await eventually(async () => /Dark Mode/.test(await presetRow(page, "Night").textContent()), "Night used for dark");

  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  await pickColour(session, "wifiEnabled", "#FF2D55");
  assert.match(await detailOf(keyed(page, "wifiEnabled")).textContent(), /^#FF2D55/i);
  await settledColour(toggle(page, "wifi"), PICKED, "the picked colour in the preview");
  await back(session, "Quillane");
  await tapRow(session, "Presets", "Presets");
  await eventually(async () => /Unsaved/.test(await presetRow(page, "Night").textContent()), "Night unsaved");

  const screen = page.locator("[data-testid=preview-screen]");
  assert.equal(await screen.getAttribute("data-appearance"), "light");
  await previewAction(page, page.locator('#preview [role=radio][data-appearance="dark"]'));
  await attributeBecomes(screen, "data-appearance", "dark");
  await eventually(async () => /Night/.test(await page.locator("[data-testid=preview-note]").textContent()), "the note");
  await settledColour(toggle(page, "wifi"), STOCK_BLUE, "the preset's Wi-Fi colour in the preview");
  // The edits it replaced are not lost: the user is told and can go back.
  const notice = page.locator("[data-testid=history-notice]");
  await eventually(
    async () => (await notice.textContent()) === "Your unsaved changes were replaced by “Night”.Undo",
    "the notice of the replaced edits",
  );
  assert.equal(
    await page.locator("[data-testid=history-undo]").getAttribute("aria-label"),
    "Undo Dark Mode applied “Night”",
  );

  // The open presets page rebuilt: Night is current and saved again.
  await eventually(async () => !/Unsaved/.test(await presetRow(page, "Night").textContent()), "Night saved");
  assert.equal(await presetRow(page, "Night").locator(".checkmark").count(), 1);
  assert.equal((await session.settings()).wifiEnabled, undefined);
  const persistent = await session.persistent();
  assert.equal(persistent.currentPreset, "Night");
  assert.equal(persistent.unsaved, false);
  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  assert.equal(await detailOf(keyed(page, "wifiEnabled")).textContent(), "Default");
  await screenshot(page, "12-preview-dark-wide");

  // No preset is used for Light Mode: the switch back leaves the settings be.
  const before = await session.settings();
  await previewAction(page, page.locator('#preview [role=radio][data-appearance="light"]'));
  await attributeBecomes(screen, "data-appearance", "light");
  assert.deepEqual(await session.settings(), before);

  // Undo brings back the edits the dark switch replaced, on the open page too.
  await act(session, () => page.locator("[data-testid=history-undo]").click());
  assert.match((await session.settings()).wifiEnabled ?? "", /^#FF2D55/i);
  assert.equal((await session.persistent()).unsaved, true);
  await eventually(async () => /^#FF2D55/i.test(await detailOf(keyed(page, "wifiEnabled")).textContent()), "the edit shown");
  assert.deepEqual(session.errors, []);
});

test("on a narrow screen the preview has a tab of its own", async (t) => {
  const session = await start(t, NARROW);
  const { page } = session;
  const settingsTab = page.getByRole("tab", { name: "Settings" });
  const previewTab = page.getByRole("tab", { name: "Preview" });
  assert.equal(await settingsTab.getAttribute("aria-selected"), "true");
  assert.equal(await page.locator("#preview").isVisible(), false);
  await openBundle(session);

  await previewTab.click();
  assert.equal(await previewTab.getAttribute("aria-selected"), "true");
  await toggle(page, "wifi").waitFor({ state: "visible" });
  assert.equal(await page.locator("#phone").isVisible(), false);
  await screenshot(page, "13-preview-narrow");

  // The arrow keys move between the tabs.
  await previewTab.focus();
  await previewTab.press("ArrowLeft");
  assert.equal(await settingsTab.getAttribute("aria-selected"), "true");
  await page.locator("#page").waitFor({ state: "visible" });
  assert.equal(await page.locator("#preview").isVisible(), false);
  await settingsTab.press("ArrowRight");
  assert.equal(await previewTab.getAttribute("aria-selected"), "true");
  assert.equal(await page.locator("#phone").isVisible(), false);
  assert.deepEqual(session.errors, []);
});
