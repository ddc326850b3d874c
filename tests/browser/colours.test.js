// Colour rows on the connectivity page: the picker, the long-press reset
// and the global spread, seen both on screen and in the settings file.

import { test } from "node:test";
import assert from "node:assert/strict";
import {
  act,
  choose,
  closePicker,
  detailOf,
  keyed,
  sharedPhone,
  longPress,
  openBundle,
  swatchColour,
  tapRow,
  typeHex,
  waitForAlert,
  waitForNoModal,
  waitForPicker,
  eventually,
} from "./harness.js";

const phone = sharedPhone();

async function connectivity(t) {
  const session = await phone.start(t);
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  return session;
}

test("the picker changes a colour row's swatch and the settings file, by dragging and by typing", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  const row = keyed(page, "wifiEnabled");
  assert.equal(await detailOf(row).textContent(), "Default");
  assert.equal(await swatchColour(row), null);
  assert.equal((await session.settings()).wifiEnabled, undefined);

  // Dragging to the square's top right corner is full saturation and
  // brightness of the picker's hue, red for a row without a colour.
  await act(session, () => row.click());
  await waitForPicker(page);
  // A row without a colour opens on what Control Center shows: Wi-Fi's blue.
  assert.equal(
    (await page.locator("[data-testid=picker-hex]").inputValue()).toUpperCase(),
    "#007AFF",
  );
  const square = page.locator("[data-testid=picker-square]");
  const box = await square.boundingBox();
  await act(session, async () => {
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width * 0.8, box.y + box.height * 0.2, { steps: 5 });
    await page.mouse.move(box.x + box.width + 20, box.y - 20, { steps: 5 });
    await page.mouse.up();
  });
  // Pointer events under a busy machine may stop a step short of the corner: what matters is
  // a saturated blue of that hue, and that the file and the row hold exactly what the picker
  // showed.
  const shown = (await page.locator("[data-testid=picker-hex]").inputValue())
    .replace(/^#?/, "#")
    .slice(0, 7)
    .toUpperCase();
  assert.match(shown, /^#[0-1][0-9A-F][5-8][0-9A-F][E-F][0-9A-F]$/);
  await closePicker(session);

  await eventually(
    async () => ((await session.settings()).wifiEnabled ?? "").toUpperCase().startsWith(shown),
    "the shown blue in the file",
  );
  const [r, g, b] = [1, 3, 5].map((i) => parseInt(shown.slice(i, i + 2), 16));
  assert.equal(await swatchColour(row), `rgb(${r}, ${g}, ${b})`);
  assert.ok((await detailOf(row).textContent()).toUpperCase().startsWith(shown));

  // Typing a value replaces it; the picker opens on the stored colour.
  await act(session, () => row.click());
  await waitForPicker(page);
  const reopened = (await page.locator("[data-testid=picker-hex]").inputValue())
    .replace(/^#?/, "#")
    .toUpperCase();
  assert.ok(reopened.startsWith(shown), `the picker reopens on ${shown}, not ${reopened}`);
  await typeHex(session, "#1A2B3C:0.5");
  await closePicker(session);
  const stored = (await session.settings()).wifiEnabled;
  assert.match(stored, /^#1A2B3C:0\.5/i);
  assert.equal(await swatchColour(row), "rgba(26, 43, 60, 0.5)");
  assert.equal(await detailOf(row).textContent(), "#1A2B3C 50%");
  // Named by what is seen: the group, the title, the detail as shown.
  assert.equal(await row.getAttribute("aria-label"), "Background, #1A2B3C 50%, Wi-Fi");
  // Another row of the page is untouched.
  assert.equal((await session.settings()).wifiGlyphEnabled, undefined);
  assert.equal((await session.persistent()).unsaved, true);
  assert.deepEqual(session.errors, []);
});

test("holding a colour row for over a second resets it to the default", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  const row = keyed(page, "bluetoothGlyphEnabled");
  await act(session, () => row.click());
  await waitForPicker(page);
  await typeHex(session, "#00A0FF");
  await closePicker(session);
  assert.match((await session.settings()).bluetoothGlyphEnabled, /^#00A0FF/i);
  assert.match(await detailOf(row).textContent(), /^#00A0FF/i);

  await longPress(session, row);
  await eventually(
    async () => (await detailOf(row).textContent()) === "Default",
    "the row to show Default",
  );
  assert.equal(await swatchColour(row), null);
  const settings = await session.settings();
  assert.equal("bluetoothGlyphEnabled" in settings, false);
  // The press was a long press only: no picker opened.
  assert.equal(await page.locator("#modal").isHidden(), true);
});

test("a short press stays a tap and opens the picker", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  await longPress(session, keyed(page, "airdropEnabled"), 150);
  await waitForPicker(page);
  await closePicker(session);
  assert.equal((await session.settings()).airdropEnabled, undefined);
});

test("Change All spreads one colour over the shown state's colour rows", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  const before = await session.settings();
  await act(session, () => keyed(page, "connectivityGlobalPicker").click());
  await waitForAlert(page, "Set Global Color");
  await choose(session, "Yes");
  await waitForPicker(page);
  await typeHex(session, "#22CC44");
  await closePicker(session);

  const settings = await session.settings();
  const enabledKeys = [
    "airplane",
    "cellularData",
    "wifi",
    "bluetooth",
    "airdrop",
    "hotspot",
  ].flatMap((k) => [`${k}Enabled`, `${k}GlyphEnabled`]);
  for (const key of enabledKeys) assert.match(settings[key] ?? "", /^#22CC44/i, key);
  // The module background is protected, the other state is not shown, and
  // the switch keeps its value.
  assert.equal(settings.connectivityContainerBackground, before.connectivityContainerBackground);
  assert.equal(settings.wifiDisabled, undefined);
  assert.equal(settings.connectivityModeEnabled, before.connectivityModeEnabled);
  // The page was reloaded: every row shows the new colour.
  await eventually(
    async () => (await swatchColour(keyed(page, "hotspotGlyphEnabled"))) === "rgb(34, 204, 68)",
    "new swatches",
  );
  assert.equal(await swatchColour(keyed(page, "connectivityContainerBackground")), null);

  // Cancelling the confirmation opens nothing and writes nothing.
  await act(session, () => keyed(page, "connectivityGlobalPicker").click());
  await waitForAlert(page, "Set Global Color");
  await choose(session, "Cancel");
  await waitForNoModal(page);
  assert.deepEqual(await session.settings(), settings);
});

test("closing the picker returns focus to the colour row that opened it", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  // Every group has a "Background" row: focus must find this group's one.
  const cases = [
    ["wifiEnabled", () => page.keyboard.press("Escape")],
    ["bluetoothGlyphEnabled", () => page.locator("[data-testid=picker-done]").click()],
    [
      "hotspotEnabled",
      async () => {
        await page.locator("[data-testid=picker-done]").focus();
        await page.keyboard.press("Enter");
      },
    ],
  ];
  for (const [key, close] of cases) {
    const row = keyed(page, key);
    await row.focus();
    await act(session, () => page.keyboard.press("Enter"));
    await waitForPicker(page);
    await act(session, close);
    await waitForNoModal(page);
    assert.equal(
      await page.evaluate(() => document.activeElement?.closest("[data-key]")?.dataset.key ?? null),
      key,
    );
  }
});

test("the picker's text field says what it read and sends only colours", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  const hex = page.locator("[data-testid=picker-hex]");
  const status = page.locator("[data-testid=picker-hex-status]");
  const cases = [
    // typed, what the field says, the value the row stores once closed
    ["#FF000080", /#FF0000, 50% opacity/, "#FF0000:0.501961"],
    ["rgb(0, 128, 255)", /#0080FF, 100% opacity/, "#0080FF:1.000000"],
    ["5856D6", /#5856D6, 100% opacity/, "#5856D6:1.000000"],
    ["Tomato", /#FF6347, 100% opacity/, "#FF6347:1.000000"],
    ["hsla(120, 100%, 50%, 0.25)", /#00FF00, 25% opacity/, "#00FF00:0.250000"],
    ["abc", /need a “#”: #abc/, "#00FF00:0.250000"],
    ["tomatoe", /not a colour name/, "#00FF00:0.250000"],
    ["#336699:", /opacity after “:” is a number from 0 to 1/, "#00FF00:0.250000"],
  ];
  for (const [typed, says, stored] of cases) {
    const picks = [];
    const listen = (r) =>
      r.url().endsWith("/api/event") &&
      /"pick"/.test(r.postData() ?? "") &&
      picks.push(JSON.parse(r.postData()).color);
    page.on("request", listen);
    await hex.click();
    await hex.fill(typed);
    await hex.press("Enter");
    await eventually(async () => says.test(await status.textContent()), `${typed}: ${says}`);
    await page.waitForTimeout(100);
    page.off("request", listen);
    const refused = !/opacity$/.test(says.source);
    assert.equal(await hex.getAttribute("aria-invalid"), String(refused), typed);
    assert.deepEqual(picks, refused ? [] : [stored], typed);
  }
  // Done with a field that does not read keeps the sheet up and says why.
  await page.locator("[data-testid=picker-done]").click();
  await page.waitForTimeout(200);
  assert.equal(await page.locator("[data-testid=picker-done]").isVisible(), true);
  assert.match(await status.textContent(), /opacity after/);
  assert.equal(await page.evaluate(() => document.activeElement?.dataset.testid), "picker-hex");
  // Emptied, the field shows the sheet's colour again, which Done stores.
  await hex.fill("");
  await hex.press("Tab");
  assert.equal(await hex.inputValue(), "#00FF00");
  await closePicker(session);
  assert.equal((await session.settings()).wifiEnabled, "#00FF00:0.250000");
  assert.deepEqual(session.errors, []);
});

test("every colour name the field takes reads as Chromium reads it", async (t) => {
  const session = await phone.start(t);
  const wrong = await session.page.evaluate(async () => {
    const { COLOUR_NAMES } = await import("/colour-names.js");
    const probe = document.createElement("span");
    document.body.append(probe);
    const differ = [];
    for (const [name, hex] of COLOUR_NAMES) {
      probe.style.color = "";
      probe.style.color = name;
      const [r, g, b] = getComputedStyle(probe).color.match(/\d+/g).map(Number);
      const ours = [0, 2, 4].map((i) => parseInt(hex.slice(i, i + 2), 16));
      if (probe.style.color === "" || ours.join() !== [r, g, b].join()) differ.push(name);
    }
    probe.remove();
    return { differ, count: COLOUR_NAMES.size };
  });
  assert.equal(wrong.count, 148);
  assert.deepEqual(wrong.differ, []);
});

test("Cancel and Escape back out of the picker: nothing is written, the picture returns", async (t) => {
  const session = await phone.start(t, { size: "desktop", picture: true });
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  const wifi = page.locator('#preview .cc-toggle[data-name="wifi"]');
  const stock = await wifi.evaluate((n) => getComputedStyle(n).backgroundColor);
  const cases = [
    ["Cancel", () => page.locator("[data-testid=picker-cancel]").click()],
    ["Escape", () => page.keyboard.press("Escape")],
  ];
  for (const [how, backOut] of cases) {
    await act(session, () => keyed(page, "wifiEnabled").click());
    await waitForPicker(page);
    await typeHex(session, "#FF2D55");
    await eventually(
      async () => (await wifi.evaluate((n) => getComputedStyle(n).backgroundColor)) !== stock,
      `${how}: the picked colour in the picture`,
    );
    await act(session, backOut);
    await waitForNoModal(page);
    await eventually(
      async () => (await wifi.evaluate((n) => getComputedStyle(n).backgroundColor)) === stock,
      `${how}: the stock colour back in the picture`,
    );
    assert.equal(await detailOf(keyed(page, "wifiEnabled")).textContent(), "Default", how);
    assert.equal((await session.settings()).wifiEnabled, undefined, how);
  }
  // The row forgot the colour: closing its next picker untouched writes nothing either.
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  await closePicker(session);
  assert.equal((await session.settings()).wifiEnabled, undefined);
  assert.deepEqual(session.errors, []);
});

test("a spread colour can be undone from its notice and redone with the keyboard", async (t) => {
  const session = await connectivity(t);
  const { page } = session;
  const undo = page.locator("[data-testid=history-undo]");
  const redo = page.locator("[data-testid=history-redo]");
  assert.equal(await undo.isDisabled(), true);
  const before = await session.settings();
  const swatchBefore = await swatchColour(keyed(page, "hotspotGlyphEnabled"));
  await act(session, () => keyed(page, "connectivityGlobalPicker").click());
  await waitForAlert(page, "Set Global Color");
  await choose(session, "Yes");
  await waitForPicker(page);
  await typeHex(session, "#22CC44");
  await closePicker(session);
  const spread = await session.settings();

  const notice = page.locator("[data-testid=history-notice]");
  await notice.waitFor();
  assert.match(await notice.textContent(), /Change All — Connectivity: 13 colours changed\./);
  assert.equal(await undo.getAttribute("aria-label"), "Undo Change All — Connectivity");

  await act(session, () => notice.getByRole("button", { name: "Undo" }).click());
  assert.deepEqual(await session.settings(), before);
  await eventually(
    async () => (await swatchColour(keyed(page, "hotspotGlyphEnabled"))) === swatchBefore,
    "old swatches",
  );
  assert.equal(await notice.isHidden(), true);
  assert.equal(await redo.isDisabled(), false);

  await act(session, () => page.keyboard.press("Control+Shift+Z"));
  assert.deepEqual(await session.settings(), spread);
  await act(session, () => page.keyboard.press("Control+Z"));
  assert.deepEqual(await session.settings(), before);
  // Redo as Linux and Windows spell it.
  await act(session, () => page.keyboard.press("Control+Y"));
  assert.deepEqual(await session.settings(), spread);
  await act(session, () => page.keyboard.press("Control+Z"));
  // Moving back and forth brings no notice again.
  assert.equal(await notice.isHidden(), true);
});
