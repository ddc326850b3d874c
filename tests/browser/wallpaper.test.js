// The wallpaper behind the preview: set from a file, refused with a message,
// turned into a new preset that loads like any other, and removed again.

import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import {
  act,
  choose,
  eventually,
  openBundle,
  openPhone,
  PRESETS_DIR,
  repoRoot,
  screenshot,
  SETTINGS,
  startSession,
  tapRow,
  waitForAlert,
  waitForNoModal,
} from "./harness.js";

let phone;
before(async () => {
  phone = await openPhone();
});
after(async () => {
  await phone?.close();
});

const WIDE = { width: 1200, height: 900 };
const photo = path.join(repoRoot, "fuzz/corpus/image_theme/p3.png");
const presetRow = (page, name) =>
  page.locator(`#page .cell[data-cell-class="QLNPreset"][data-title="${name}"]`);
const wifi = (page) => page.locator('#preview .cc-toggle[data-name="wifi"]');
const background = (locator) => locator.evaluate((n) => getComputedStyle(n).backgroundColor);

test("a wallpaper is set, refused, made into a preset that loads, and removed", async (t) => {
  await phone.page.setViewportSize(WIDE);
  const session = await startSession(t, phone);
  const { page } = session;
  await eventually(
    async () => (await page.locator("#preview .cc-toggle").count()) === 6,
    "six toggles drawn",
  );
  const status = page.locator(".wp-bar:not(.pf-bar) + .wp-status");
  const layer = page.locator("#preview .cc-wallpaper");
  const file = page.locator("[data-testid=wallpaper-file]");

  await file.setInputFiles(photo);
  await eventually(async () => /Wallpaper set/.test(await status.textContent()), "wallpaper set");
  assert.match(await layer.getAttribute("style"), /\/api\/wallpaper/);
  assert.equal(
    await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"),
    "image",
  );

  await file.setInputFiles({
    name: "notes.png",
    mimeType: "image/png",
    buffer: Buffer.from("just text"),
  });
  await eventually(
    async () => /not a JPEG, PNG, WebP or HEIC/.test(await status.textContent()),
    "refusal told",
  );
  assert.match(await layer.getAttribute("style"), /\/api\/wallpaper/, "the wallpaper stays");

  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  const before = await background(wifi(page));
  await page.getByRole("button", { name: "Theme from Wallpaper" }).click();
  await eventually(
    async () => /New preset “Wallpaper”/.test(await status.textContent()),
    "preset made",
  );
  await presetRow(page, "Wallpaper").waitFor();

  await act(session, () => presetRow(page, "Wallpaper").click());
  await waitForAlert(page, "Wallpaper");
  await choose(session, "Load");
  await waitForNoModal(page);
  await eventually(
    async () => (await background(wifi(page))) !== before,
    "the preset's colours in the preview",
  );
  await screenshot(page, "40-wallpaper-theme");

  await page.getByRole("button", { name: "Remove Wallpaper" }).click();
  await eventually(
    async () => /Wallpaper removed/.test(await status.textContent()),
    "wallpaper removed",
  );
  assert.equal(
    await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"),
    "gradient",
  );
});

test("a preset is imported from a file and exported as it is", async (t) => {
  await phone.page.setViewportSize(WIDE);
  const session = await startSession(t, phone);
  const { page } = session;
  const settings = fs.readFileSync(path.join(session.root, SETTINGS), "utf8");
  const status = page.locator(".pf-bar + .wp-status");

  page.once("dialog", (dialog) => dialog.accept("Imported"));
  await page.locator("[data-testid=preset-file]").setInputFiles({
    name: "shared.plist",
    mimeType: "application/x-plist",
    buffer: Buffer.from(settings),
  });
  await eventually(
    async () => /Preset “Imported” imported/.test(await status.textContent()),
    "imported",
  );
  assert.equal(
    fs.readFileSync(path.join(session.root, PRESETS_DIR, "Imported.plist"), "utf8"),
    settings,
  );

  page.once("dialog", (dialog) => dialog.accept("Broken"));
  await page.locator("[data-testid=preset-file]").setInputFiles({
    name: "broken.plist",
    mimeType: "application/x-plist",
    buffer: Buffer.from("not a property list"),
  });
  await eventually(
    async () => /not a property-list dictionary/.test(await status.textContent()),
    "refused",
  );
  assert.equal(fs.existsSync(path.join(session.root, PRESETS_DIR, "Broken.plist")), false);

  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  await presetRow(page, "Imported").waitFor();

  await page.locator(".pf-select").focus();
  await eventually(
    async () => (await page.locator(".pf-select option").count()) === 1,
    "the preset listed",
  );
  const download = page.waitForEvent("download");
  await page.getByRole("button", { name: "Export to File" }).click();
  const file = await download;
  assert.equal(file.suggestedFilename(), "Imported.plist");
  assert.equal(fs.readFileSync(await file.path(), "utf8"), settings);
});
