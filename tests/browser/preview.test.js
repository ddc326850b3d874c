// The Control Center preview beside the settings: it follows the colours the
// user picks, flips toggles, and its appearance switch brings back the preset
// assigned to that appearance.

import { test } from "node:test";
import assert from "node:assert/strict";
import { appendFile, mkdir, writeFile } from "node:fs/promises";
import path from "node:path";
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
  picture,
  repoRoot,
  sharedPhone,
  settled,
  screenshot,
  SIZES,
  SETTINGS,
  tapRow,
  typeHex,
  waitForAlert,
  waitForNoModal,
  waitForPicker,
} from "./harness.js";

const STOCK_BLUE = "rgb(0, 122, 255)";
const PICKED = "rgb(255, 45, 85)";

const phone = sharedPhone();

const toggle = (page, name) => page.locator(`#preview .cc-toggle[data-name="${name}"]`);
const background = (locator) => locator.evaluate((n) => getComputedStyle(n).backgroundColor);
const presetRow = (page, name) =>
  page.locator(`#page .cell[data-cell-class="QLNPreset"][data-title="${name}"]`);

async function start(t, size = "wide") {
  const session = await phone.start(t, { size, picture: true });
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
  const answered = page.waitForResponse(
    (r) => r.url().endsWith("/api/preview") && r.request().method() === "POST",
  );
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
  const order = await page
    .locator("#preview .cc-toggle")
    .evaluateAll((n) => n.map((b) => b.dataset.name));
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

  // Away from the connectivity page, whose edited state the picture shows,
  // tapping the toggle turns Wi-Fi off: its disabled colour, unchanged, is
  // the stock one; tapping again brings the picked colour back.
  await back(session, "Quillane");
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

// The server makes no palette while a drag goes on, so a Done at once finds none with the
// picker's colour: that colour stays drawn until the palette after the Done comes, however late.
test("a picker's colour stays drawn until the palette after its Done, never the old one", async (t) => {
  const session = await start(t);
  const { page } = session;
  // At this address only, palettes from the stream reach the page 300 ms late.
  await page.addInitScript(() => {
    if (location.hash !== "#late-palettes") return;
    const listen = EventSource.prototype.addEventListener;
    EventSource.prototype.addEventListener = function (type, handler, ...rest) {
      const late = (event) => setTimeout(() => handler(event), 300);
      return listen.call(this, type, type === "preview" ? late : handler, ...rest);
    };
  });
  await page.goto("about:blank");
  await page.goto(`${session.url}#late-palettes`, { waitUntil: "load" });
  await picture(page);
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  const wifi = toggle(page, "wifi");
  await wifi.evaluate((node) => {
    window.wifiFrames = [];
    const watch = () => {
      window.wifiFrames.push(getComputedStyle(node).backgroundColor);
      if (window.wifiFrames.length < 600) requestAnimationFrame(watch);
    };
    requestAnimationFrame(watch);
  });
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  const hex = page.locator("[data-testid=picker-hex]");
  await hex.fill("#FF2D55");
  await act(session, async () => {
    await hex.press("Enter");
    await page.locator("[data-testid=picker-done]").click();
  });
  await waitForNoModal(page);
  await eventually(
    async () => (await wifi.getAttribute("data-source")) === "stored",
    "the stored palette",
  );
  const frames = await page.evaluate(() => window.wifiFrames.splice(0));
  assert.ok(frames.includes(PICKED), frames.join());
  assert.deepEqual(new Set(frames.slice(frames.indexOf(PICKED))), new Set([PICKED]), frames.join());
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
  await eventually(
    async () => /Dark Mode/.test(await presetRow(page, "Night").textContent()),
    "Night used for dark",
  );

  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  await pickColour(session, "wifiEnabled", "#FF2D55");
  assert.match(await detailOf(keyed(page, "wifiEnabled")).textContent(), /^#FF2D55/i);
  await settledColour(toggle(page, "wifi"), PICKED, "the picked colour in the preview");
  await back(session, "Quillane");
  await tapRow(session, "Presets", "Presets");
  await eventually(
    async () => /Unsaved/.test(await presetRow(page, "Night").textContent()),
    "Night unsaved",
  );

  const screen = page.locator("[data-testid=preview-screen]");
  assert.equal(await screen.getAttribute("data-appearance"), "light");
  await previewAction(page, page.locator('#preview [role=radio][data-appearance="dark"]'));
  await attributeBecomes(screen, "data-appearance", "dark");
  await eventually(
    async () => /Night/.test(await page.locator("[data-testid=preview-note]").textContent()),
    "the note",
  );
  await settledColour(toggle(page, "wifi"), STOCK_BLUE, "the preset's Wi-Fi colour in the preview");
  // The edits it replaced are not lost: the user is told and can go back.
  const notice = page.locator("[data-testid=history-notice]");
  await eventually(
    async () =>
      (await notice.textContent()) === "Your unsaved changes were replaced by “Night”.Undo",
    "the notice of the replaced edits",
  );
  assert.equal(
    await page.locator("[data-testid=history-undo]").getAttribute("aria-label"),
    "Undo Dark Mode applied “Night”",
  );

  // The open presets page rebuilt: Night is current and saved again.
  await eventually(
    async () => !/Unsaved/.test(await presetRow(page, "Night").textContent()),
    "Night saved",
  );
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
  await eventually(
    async () => /^#FF2D55/i.test(await detailOf(keyed(page, "wifiEnabled")).textContent()),
    "the edit shown",
  );
  assert.deepEqual(session.errors, []);
});

test("on a narrow screen the preview has a tab of its own", async (t) => {
  const session = await start(t, "phone");
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

// ---- every colour the pages set, drawn ------------------------------------

function plistValue(value) {
  if (typeof value === "boolean") return value ? "<true/>" : "<false/>";
  if (typeof value === "number")
    return Number.isInteger(value) ? `<integer>${value}</integer>` : `<real>${value}</real>`;
  if (Array.isArray(value)) return `<array>${value.map(plistValue).join("")}</array>`;
  if (value && typeof value === "object") {
    return `<dict>${Object.entries(value)
      .map(([k, v]) => `<key>${k}</key>${plistValue(v)}`)
      .join("")}</dict>`;
  }
  return `<string>${String(value).replace(/&/g, "&amp;").replace(/</g, "&lt;")}</string>`;
}

// A colour of its own for each key, alpha included, so a part drawn from the
// wrong key cannot pass for the right one.
function distinctColour(i) {
  const byte = (x) => x.toString(16).padStart(2, "0").toUpperCase();
  const [r, g, b] = [(i * 37 + 11) % 256, (i * 91 + 50) % 256, (i * 53 + 100) % 256];
  const a = [1, 0.9, 0.75, 0.6, 0.45][i % 5];
  return { stored: `#${byte(r)}${byte(g)}${byte(b)}:${a}`, rgba: [r, g, b, a] };
}

// What SpringBoard's restart does for the theming component: it reads the
// files again. The host notices the log growing on its next turn.
async function respringWith(session, colours) {
  const settings = { ...(await session.settings()), ...colours };
  const xml = `<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">${plistValue(settings)}</plist>\n`;
  await writeFile(session.file(SETTINGS), xml);
  const log = session.file("var/mobile/Library/Logs/sbreload.log");
  await mkdir(path.dirname(log), { recursive: true });
  await appendFile(log, "sbreload\n");
}

// In the page: the first element drawn from `key` whose computed colour is
// `rgba`, after showing the scene or Prysm page it sits in. Answers what it
// found, for the failure message.
function findDrawn([key, rgba]) {
  const parse = (css) => {
    const m = /rgba?\(([^)]+)\)/.exec(css);
    if (!m) return null;
    const [r, g, b, a = 1] = m[1]
      .split(/[ ,/]+/)
      .filter(Boolean)
      .map(Number);
    return [r, g, b, a];
  };
  const near = (c) =>
    c &&
    c.every((x, i) => Math.abs((i < 3 ? x : x * 255) - (i < 3 ? rgba[i] : rgba[i] * 255)) <= 1);
  const nodes = [...document.querySelectorAll("#preview [data-key]")].filter((n) =>
    n.dataset.key.split(" ").includes(key),
  );
  const seen = [];
  for (const node of nodes) {
    const scene = node.closest("[data-scene]")?.dataset.scene;
    if (scene) document.querySelector(`#preview [data-scene-tab="${scene}"]`)?.click();
    const page = node.closest("[data-prysm-page]")?.dataset.prysmPage;
    if (page) document.querySelector(`#preview [data-prysm-page-tab="${page}"]`)?.click();
    const style = getComputedStyle(node);
    const colours = [style.backgroundColor, style.color, style.borderTopColor];
    seen.push(colours.join(" / "));
    if (node.checkVisibility() && colours.map(parse).some(near)) return "drawn";
  }
  return nodes.length ? `drawn otherwise: ${seen.join("; ")}` : "no element";
}

// The toggle or module whose other state draws `key`.
function stateOwner(preview, key) {
  for (const toggle of preview.connectivity) {
    if (key.startsWith(toggle.name) && /(Enabled|Disabled)$/.test(key))
      return `.cc-toggle[data-name="${toggle.name}"]`;
  }
  const module = preview.modules.find(
    (m) => key === `${m.identifier}Enabled` || key === `${m.identifier}Disabled`,
  );
  return module ? `.cc-tile[data-identifier="${module.identifier}"]` : null;
}

test("the picture is one described image; its toggles, tiles and appearance switch stay controls", async (t) => {
  const session = await start(t);
  const { page } = session;
  const preview = page.locator("#preview");
  const picture = preview.getByRole("img");
  const description = () => picture.getAttribute("aria-label");
  // role, accessible name, how many the accessibility tree holds
  const cases = [
    ["img", /^Control Center in the light appearance; connectivity: /, 1],
    ["button", /^Wi-?Fi$/, 1],
    ["button", /^Bluetooth$/, 1],
    ["button", /Screen Mirroring/, 1],
    ["radio", /^Dark$/, 1],
    // The drawn media player and sliders are part of the picture only.
    ["img", /Media|Brightness|Volume/, 0],
    ["button", /Play|Pause/, 0],
  ];
  for (const [role, name, count] of cases) {
    assert.equal(await preview.getByRole(role, { name }).count(), count, `${role} ${name}`);
  }
  const wifi = toggle(page, "wifi");
  const before = await description();
  const state = (await wifi.getAttribute("aria-pressed")) === "true" ? "on" : "off";
  assert.match(before, new RegExp(`Wi-?Fi ${state}`));
  // What the picture shows is told anew as it changes.
  await previewAction(page, wifi);
  const flipped = state === "on" ? "off" : "on";
  await eventually(
    async () => new RegExp(`Wi-?Fi ${flipped}`).test(await description()),
    `Wi-Fi ${flipped} told`,
  );
  await previewAction(page, preview.getByRole("radio", { name: "Dark" }));
  await eventually(
    async () => (await description()).startsWith("Control Center in the dark appearance"),
    "dark told",
  );
  assert.deepEqual(session.errors, []);
});

test("every colour the device's pages set is drawn in the preview, exactly", async (t) => {
  const checked = new Set();
  const devices = [
    { init: ["--all-tweaks"], what: "every tweak" },
    { init: [], what: "no tweak" }, // the stock Control Center's own rows
  ];
  for (const device of devices) {
    const session = await phone.start(t, { init: device.init, size: "wide" });
    const { page } = session;
    const fetchPreview = () => page.evaluate(() => fetch("/api/preview").then((r) => r.json()));
    const shown = (await fetchPreview()).groups.flatMap((g) =>
      g.entries.filter((e) => e.shown).map((e) => e.colour.key),
    );
    const keys = shown.filter((key) => !checked.has(key));
    assert.ok(keys.length > 0, device.what);
    const colours = new Map(keys.map((key, i) => [key, distinctColour(i)]));
    await respringWith(
      session,
      Object.fromEntries([...colours].map(([key, c]) => [key, c.stored])),
    );
    await eventually(
      async () =>
        (await fetchPreview()).groups.some((g) =>
          g.entries.some((e) => e.colour.source === "stored"),
        ),
      "the respring",
    );
    await page.reload({ waitUntil: "load" });
    await page.locator("#preview .cc-toggle").first().waitFor();

    const missing = [];
    for (const [key, { rgba }] of colours) {
      const want = [rgba[0], rgba[1], rgba[2], rgba[3]];
      let found = await page.evaluate(findDrawn, [key, want]);
      if (found === "no element") {
        const owner = stateOwner(await fetchPreview(), key);
        if (owner) {
          await page.locator('#preview [data-scene-tab="cc"]').click();
          await previewAction(page, page.locator(`#preview ${owner}`));
          await eventually(
            async () => (await page.evaluate(findDrawn, [key, want])) !== "no element",
            `${key} after the flip`,
          ).catch(() => {});
        }
      }
      // Colours ease in; give them their quarter second.
      await eventually(
        async () => (found = await page.evaluate(findDrawn, [key, want])) === "drawn",
        key,
        1500,
      ).catch(() => {});
      if (found !== "drawn") missing.push(`${key}: ${found}`);
      checked.add(key);
    }
    assert.deepEqual(missing, [], `on a device with ${device.what}`);
    // No element names a key the palette lacks, and uncoloured modules name none.
    const palette = await fetchPreview();
    const known = new Set(palette.groups.flatMap((g) => g.entries.map((e) => e.colour.key)));
    for (const m of palette.modules) Object.values(m.states).forEach((c) => known.add(c.key));
    const named = await page.evaluate(() =>
      [...document.querySelectorAll("#preview [data-key]")].flatMap((n) =>
        n.dataset.key.split(" ").filter(Boolean),
      ),
    );
    assert.deepEqual(
      named.filter((key) => !known.has(key)),
      [],
      "keys drawn that no page sets",
    );
    assert.deepEqual(session.errors, []);
    await session.close();
  }
  assert.ok(
    checked.has("chevronGlyph") &&
      checked.has("prysmBatteryFill") &&
      checked.has("powerModuleReboot"),
  );
});

test("while the picker drags, the preview shows its colour before anything is stored", async (t) => {
  const session = await start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  const before = await session.settings();
  const picks = [];
  page.on(
    "request",
    (r) =>
      r.url().endsWith("/api/event") &&
      /"pick"/.test(r.postData() ?? "") &&
      picks.push(r.postData()),
  );

  // The window around the picker is not rebuilt for each pick: its rows and
  // its navigation bar stay the nodes they were.
  await page.evaluate(() => {
    document.querySelector('#page .cell[data-key="wifiEnabled"]').dataset.kept = "yes";
    document.querySelector("[data-testid=nav-back]").dataset.kept = "yes";
  });

  // Fifty moves within one task: the picture follows the last at once, and
  // the server hears the first of them at once and the last at the next frame.
  const drawn = await page.evaluate(() => {
    const square = document.querySelector("[data-testid=picker-square]");
    const box = square.getBoundingClientRect();
    const at = (x, y, type) =>
      square.dispatchEvent(
        new PointerEvent(type, {
          bubbles: true,
          isPrimary: true,
          button: 0,
          pointerId: 1,
          clientX: box.left + x * box.width,
          clientY: box.top + y * box.height,
        }),
      );
    square.setPointerCapture = () => {};
    at(0.05, 0.05, "pointerdown");
    for (let i = 1; i <= 50; i++) at(0.05 + i * 0.018, 0.05 + i * 0.004, "pointermove");
    const wifi = document.querySelector('#preview .cc-toggle[data-name="wifi"]');
    return {
      toggle: getComputedStyle(wifi).backgroundColor,
      picker: getComputedStyle(document.querySelector(".picker-preview-fill")).backgroundColor,
    };
  });
  assert.equal(drawn.toggle, drawn.picker);
  assert.notEqual(drawn.toggle, STOCK_BLUE);
  await eventually(async () => picks.length >= 2, "the picks of that frame");
  await settled(session);
  assert.equal(picks.length, 2, picks.join("\n"));
  // The last pick carries the colour the picture shows, within a byte's rounding.
  const shown = drawn.toggle.match(/\d+/g).slice(0, 3).map(Number);
  const picked = JSON.parse(picks[1])
    .color.match(/[0-9A-F]{2}/gi)
    .slice(0, 3);
  picked.forEach((h, i) => assert.ok(Math.abs(parseInt(h, 16) - shown[i]) <= 1, picks[1]));
  assert.equal(await page.locator("[data-kept=yes]").count(), 2);

  // The server's picture marks the key pending; nothing is written.
  const preview = await page.evaluate(() => fetch("/api/preview").then((r) => r.json()));
  const wifi = preview.connectivity.find((c) => c.name === "wifi");
  assert.equal(wifi.background.source, "pending");
  assert.deepEqual(await session.settings(), before);
  await page.evaluate(() =>
    document
      .querySelector("[data-testid=picker-square]")
      .dispatchEvent(new PointerEvent("pointerup", { bubbles: true })),
  );

  await closePicker(session);
  await settledColour(toggle(page, "wifi"), drawn.toggle, "the stored colour");
  assert.equal(await toggle(page, "wifi").getAttribute("data-source"), "stored");
  assert.match((await session.settings()).wifiEnabled, /^#[0-9A-F]{6}/i);
  assert.deepEqual(session.errors, []);
});

test("a glyph set to its background's colour is flagged in the picture and in the picker", async (t) => {
  const session = await start(t);
  const { page } = session;
  const warnings = page.locator("[data-testid=preview-warnings]");
  // Stock pairs never warn, though some of Apple's are faint.
  assert.equal(await warnings.isVisible(), false);
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiGlyphEnabled").click());
  await waitForPicker(page);
  const contrast = page.locator("[data-testid=picker-contrast]");
  assert.match(await contrast.textContent(), /^Wi-Fi glyph: 4\.0:1 contrast$/);
  await typeHex(session, "#007AFF");
  // Before anything is stored, both say so.
  assert.match(await contrast.textContent(), /^Wi-Fi glyph: 1\.0:1 contrast — below 3\.0:1/);
  await eventually(
    async () => /Wi-Fi glyph \(enabled\): 1\.0:1, needs 3\.0:1/.test(await warnings.textContent()),
    "the warning",
  );
  assert.equal(
    await page
      .locator('#preview .cc-toggle-glyph.cc-low-contrast[data-key="wifiGlyphEnabled"]')
      .count(),
    1,
  );
  await closePicker(session);
  await eventually(async () => await warnings.isVisible(), "the warning, stored");
  const preview = await page.evaluate(() => fetch("/api/preview").then((r) => r.json()));
  const pair = preview.legibility.find((p) => p.part === "Wi-Fi glyph");
  assert.equal(pair.warn, true);
  assert.ok(pair.ratio < 1.01);
  assert.deepEqual(session.errors, []);
});

test("warnings cover every state coloured, name it, and outline only the state the page edits", async (t) => {
  const session = await start(t);
  const { page } = session;
  const warnings = page.locator("[data-testid=preview-warnings]");
  const outlined = page.locator("#preview .cc-toggle-glyph.cc-low-contrast");
  const screenBox = () => page.locator("[data-testid=preview-screen]").boundingBox();
  const before = await screenBox();
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "connectivityGlobalPicker").click());
  await waitForAlert(page, "Set Global Color");
  await choose(session, "Yes");
  await waitForPicker(page);
  await typeHex(session, "#FF2D55");
  await closePicker(session);
  const lines = () => warnings.locator(".cc-warning").allTextContents();
  // All six, on or off: the enabled state is what the user coloured.
  await eventually(async () => (await lines()).length === 6, "six warnings");
  for (const line of await lines()) assert.match(line, /glyph \(enabled\): 1\.0:1, needs 3\.0:1$/);
  assert.equal(await outlined.count(), 6);
  // The disabled state is stock and legible: nothing outlined, the warnings stay, named.
  await act(session, () => keyed(page, "switchState").click());
  await eventually(async () => (await outlined.count()) === 0, "no outline on the disabled glyphs");
  assert.equal((await lines()).length, 6);
  // Their arrival takes no room from the picture; opened, the list shows every line whole.
  assert.deepEqual(await screenBox(), before);
  const count = page.locator("[data-testid=preview-warnings-button]");
  assert.equal(await count.textContent(), "6 Hard to Read");
  await count.click();
  const list = page.locator("#cc-warnings-list");
  await list.waitFor();
  const box = await list.evaluate((n) => [n.scrollHeight, n.clientHeight]);
  assert.ok(box[0] <= box[1] + 1, `warnings ${box[0]} px tall in ${box[1]} px`);
  assert.deepEqual(await screenBox(), before);
  await page.keyboard.press("Escape");
  await list.waitFor({ state: "hidden" });
  assert.deepEqual(session.errors, []);
});

// Orange-red and dark green: two states anyone with typical vision tells apart, and someone
// without red cones (who sees red darker) takes one for the other.
test("the picture seen with another vision warns of states that look alike, and stores nothing", async (t) => {
  const session = await start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await pickColour(session, "wifiEnabled", "#F94111");
  await act(session, () => keyed(page, "switchState").click());
  await pickColour(session, "wifiDisabled", "#0D6C03");
  const warnings = page.locator("[data-testid=preview-warnings]");
  const alike = warnings.locator('.cc-warning[data-confusable="true"]');
  const screen = page.locator("[data-testid=preview-screen]");
  const settings = await session.settings();
  const menu = page.locator("[data-testid=preview-vision]");
  assert.equal(await menu.inputValue(), "typical");
  assert.equal(await alike.count(), 0);
  const cases = [
    ["protanopia", 1],
    ["deuteranopia", 0],
    ["tritanopia", 0],
    ["typical", 0],
  ];
  for (const [vision, count] of cases) {
    await menu.selectOption(vision);
    await eventually(async () => (await alike.count()) === count, `${vision}: ${count} alike`);
    const filter = await screen.evaluate((n) => getComputedStyle(n).filter);
    if (vision === "typical") assert.equal(filter, "none");
    else assert.match(filter, new RegExp(`cc-vision-${vision}`));
    if (count) assert.match(await alike.first().textContent(), /^Wi-Fi: enabled and disabled/);
  }
  // The picture's colours and the files are as they were: only this window sees differently.
  assert.deepEqual(await session.settings(), settings);
  assert.deepEqual(session.errors, []);
});

// The stock picture is drawn as the phone draws it: no white title on a white tile.
test("a fresh device's Toggles picture draws every title and glyph legibly", async (t) => {
  const session = await start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Toggles", "Toggles");
  const title = page.locator("#preview .cc-tile-wide .cc-tile-title");
  await title.waitFor();
  assert.equal(await title.textContent(), "Screen Mirroring");
  const ratio = await title.evaluate((node) => {
    const rgb = (css) => css.match(/[\d.]+/g).map(Number);
    const lum = ([r, g, b]) =>
      [r, g, b]
        .map((x) => x / 255)
        .map((x) => (x <= 0.03928 ? x / 12.92 : ((x + 0.055) / 1.055) ** 2.4))
        .reduce((sum, x, i) => sum + x * [0.2126, 0.7152, 0.0722][i], 0);
    const [r, g, b, a = 1] = rgb(getComputedStyle(node).color);
    const tile = rgb(
      getComputedStyle(node.parentElement.querySelector(".cc-tile-state")).backgroundColor,
    );
    const text = [r, g, b].map((x, i) => x * a + tile[i] * (1 - a));
    const [hi, lo] = [lum(text), lum(tile)].sort((p, q) => q - p);
    return (hi + 0.05) / (lo + 0.05);
  });
  assert.ok(ratio >= 4.5, `Screen Mirroring's title at ${ratio.toFixed(2)}:1`);
});

test("a part of the preview leads to its row, and the open picker's parts are outlined", async (t) => {
  const session = await start(t);
  const { page } = session;
  await openBundle(session);
  const cases = [
    // the part, the page it leads to, the row
    ['.cc-toggle[data-name="airplane"]', "Connectivity", "airplaneDisabled"],
    [".cc-media-title", "Media Controls", "mediaTitleText"],
    [".cc-slider-volume .cc-slider-fill", "Sliders", "volumeFill"],
  ];
  for (const [part, title, key] of cases) {
    const pressed = await page
      .locator('#preview .cc-toggle[data-name="airplane"]')
      .getAttribute("aria-pressed");
    await page.locator("[data-testid=preview-find]").click();
    await page.locator(`#preview ${part}`).first().focus();
    await page.keyboard.press("Enter"); // by keyboard, as by a tap
    await eventually(
      async () => (await page.locator("#page-title").textContent()) === title,
      title,
    );
    await eventually(
      async () => (await keyed(page, key).getAttribute("class")).includes("cell-found"),
      `${key} highlighted`,
    );
    // Finding is not flipping.
    assert.equal(
      await page.locator('#preview .cc-toggle[data-name="airplane"]').getAttribute("aria-pressed"),
      pressed,
    );
  }
  // While the connectivity page edits the disabled state, the picture shows
  // every toggle disabled; in the enabled state, every toggle enabled.
  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  await eventually(
    async () => (await page.locator('#preview .cc-toggle[aria-pressed="true"]').count()) === 6,
    "all toggles enabled",
  );
  await act(session, () => keyed(page, "switchState").click());
  assert.equal(await keyed(page, "airplaneDisabled").count(), 1);
  await eventually(
    async () => (await page.locator('#preview .cc-toggle[aria-pressed="true"]').count()) === 0,
    "all toggles disabled",
  );
  await act(session, () => keyed(page, "wifiDisabled").click());
  await waitForPicker(page);
  assert.equal(await page.locator('#preview .cc-editing[data-key="wifiDisabled"]').count(), 1);
  await closePicker(session);
  assert.equal(await page.locator("#preview .cc-editing").count(), 0);
  await back(session, "Quillane");
  await eventually(
    async () => (await page.locator('#preview .cc-toggle[aria-pressed="true"]').count()) === 3,
    "the flipped states again",
  );
  assert.deepEqual(session.errors, []);
});

test("on a phone-sized screen the picker shows the part it edits, live", async (t) => {
  const session = await start(t, "phone");
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  const part = page.locator('[data-testid=picker-part] .cc-toggle[data-key="wifiEnabled"]');
  assert.equal(await part.count(), 1);
  assert.equal(await part.evaluate((n) => getComputedStyle(n).backgroundColor), STOCK_BLUE);
  await typeHex(session, "#FF2D55");
  await eventually(
    async () => (await part.evaluate((n) => getComputedStyle(n).backgroundColor)) === PICKED,
    "the typed colour, before Done",
  );
  assert.equal((await session.settings()).wifiEnabled, undefined);
  await closePicker(session);
  assert.deepEqual(session.errors, []);
});

test("the parts shown on demand are reached by keyboard", async (t) => {
  const session = await start(t);
  const { page } = session;
  await page.locator('#preview [data-scene-tab="cc"]').focus();
  const cases = [
    ["ArrowRight", "expanded", '[data-key~="mediaRouteText"]'],
    ["ArrowLeft", "cc", '.cc-toggle[data-name="wifi"]'],
  ];
  for (const [key, scene, part] of cases) {
    await page.keyboard.press(key);
    assert.equal(
      await page.locator(`#preview [data-scene-tab="${scene}"]`).getAttribute("aria-selected"),
      "true",
    );
    assert.equal(await page.locator(`#preview ${part}`).first().isVisible(), true, scene);
  }
  // A tap on the media module expands it, too.
  await page.locator("#preview .cc-media").click();
  assert.equal(
    await page.locator('#preview [data-key~="mediaVolumeFill"]').first().isVisible(),
    true,
  );
  assert.deepEqual(session.errors, []);
});

test("every scene's tab shows whole, however many tweaks and however narrow the window", async (t) => {
  const session = await phone.start(t, {
    size: { width: 1440, height: 900 },
    init: ["--all-tweaks"],
  });
  const { page } = session;
  for (const size of [{ width: 1440, height: 900 }, SIZES.desktop, SIZES.phone]) {
    await page.setViewportSize(size);
    if (size === SIZES.phone) await page.locator("#tab-preview").click();
    const cut = await page.locator("#preview .cc-scenes").evaluate((strip) => {
      const outer = strip.getBoundingClientRect();
      return [...strip.children]
        .filter((tab) => {
          const r = tab.getBoundingClientRect();
          const clipped = r.left < outer.left - 0.5 || r.right > outer.right + 0.5;
          return clipped || tab.scrollWidth > tab.clientWidth || r.width === 0;
        })
        .map((tab) => tab.textContent);
    });
    assert.deepEqual(cut, [], `${size.width} px`);
    assert.ok((await page.locator("#preview .cc-scenes > *").count()) >= 5);
  }
});

// One session, two windows: each shows the picker, its colour, the wallpaper
// and the device as the session holds them, and Done stores only what its
// window shows.
test("two windows of one session show its picker, wallpaper and device as they are", async (t) => {
  const session = await start(t);
  const a = session.page;
  const b = await session.context.newPage();
  t.after(() => b.close());
  await b.setViewportSize(a.viewportSize());
  await b.goto(session.url);
  await b.locator("#preview .cc-toggle").first().waitFor();
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await b.waitForFunction(
    () => document.getElementById("page-title")?.textContent === "Connectivity",
  );

  await act(session, () => keyed(a, "hotspotEnabled").click());
  await waitForPicker(a);
  await waitForPicker(b);
  await typeHex(session, "#5856D6");
  const hexB = b.locator("[data-testid=picker-hex]");
  await hexB.fill("#34C759");
  await hexB.press("Enter");
  const hexA = a.locator("[data-testid=picker-hex]");
  await eventually(async () => (await hexA.inputValue()) === "#34C759", "window A's field");
  await settledColour(toggle(a, "hotspot"), "rgb(52, 199, 89)", "window A's picture");
  await closePicker(session);
  assert.equal((await session.settings()).hotspotEnabled, "#34C759:1.000000");
  await waitForNoModal(b);

  // A wallpaper set in one window and removed in the other.
  const drawn = (page) =>
    page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper");
  await a
    .locator("[data-testid=wallpaper-file]")
    .setInputFiles(path.join(repoRoot, "fuzz/corpus/image_theme/p3.png"));
  await eventually(async () => (await drawn(b)) === "image", "the wallpaper in window B");
  await b.getByRole("button", { name: "Remove Wallpaper" }).click();
  await b
    .locator("[data-testid=wallpaper-confirm]")
    .getByRole("button", { name: "Remove" })
    .click();
  await eventually(async () => (await drawn(a)) === "gradient", "no wallpaper in window A");

  // A device changed in one window: the other's untouched panel shows it, an edited one says so.
  const prysm = (page) => page.locator('[data-testid=device-panel] [data-tweak="prysm"]');
  await b.locator("[data-testid=device-open]").click();
  await prysm(b).waitFor();
  await a.locator("[data-testid=device-open]").click();
  await prysm(a).click();
  await a.locator("[data-testid=device-done]").click();
  await a.locator("[data-testid=device-panel]").waitFor({ state: "detached" });
  await eventually(
    async () => (await prysm(b).getAttribute("aria-checked")) === "true",
    "window B's panel showing Prysm installed",
  );
  await b.locator('[data-testid=device-panel] [data-tweak="noctis"]').click();
  await a.locator("[data-testid=device-open]").click();
  await prysm(a).click();
  await a.locator("[data-testid=device-done]").click();
  await eventually(
    async () => /changed in another window/.test(await b.locator(".device-status").textContent()),
    "window B told of the change under its edits",
  );
  assert.equal(await prysm(b).getAttribute("aria-checked"), "true", "window B keeps its edits");
  assert.deepEqual(session.errors, []);
});

// A window that has not heard of another's pick (its event stream held back
// here) shows its old colour: its Done is refused and shows the newer pick,
// which only a second Done stores.
test("a Done over a colour the window never showed is refused, and shows that colour first", async (t) => {
  const session = await start(t);
  const a = session.page;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(a, "hotspotEnabled").click());
  await waitForPicker(a);
  const deaf = await session.context.newPage();
  t.after(() => deaf.close());
  await deaf.addInitScript(() => delete window.EventSource);
  await deaf.setViewportSize(a.viewportSize());
  await deaf.goto(session.url);
  await waitForPicker(deaf);
  await typeHex(session, "#5856D6");
  const hex = deaf.locator("[data-testid=picker-hex]");
  assert.notEqual(await hex.inputValue(), "#5856D6", "the held-back window cannot know");
  const closed = (page) =>
    page.waitForResponse(
      (r) => r.url().endsWith("/api/event") && /closePicker/.test(r.request().postData()),
    );
  let answer = closed(deaf);
  await deaf.locator("[data-testid=picker-done]").click();
  assert.equal((await answer).status(), 400);
  await eventually(async () => (await hex.inputValue()) === "#5856D6", "the newer pick shown");
  assert.equal((await session.settings()).hotspotEnabled, undefined);
  answer = closed(deaf);
  await deaf.locator("[data-testid=picker-done]").click();
  assert.equal((await answer).status(), 200);
  assert.equal((await session.settings()).hotspotEnabled, "#5856D6:1.000000");
});
