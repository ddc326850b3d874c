// The wallpaper behind the preview: set from a file, refused with a message,
// turned into a new preset that loads like any other, and removed again.

import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import path from "node:path";
import {
  act,
  choose,
  eventually,
  openBundle,
  openPhone,
  repoRoot,
  screenshot,
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
const presetRow = (page, name) => page.locator(`#page .cell[data-cell-class="QLNPreset"][data-title="${name}"]`);
const wifi = (page) => page.locator('#preview .cc-toggle[data-name="wifi"]');
const background = (locator) => locator.evaluate((n) => getComputedStyle(n).backgroundColor);

test("a wallpaper is set, refused, made into a preset that loads, and removed", async (t) => {
  await phone.page.setViewportSize(WIDE);
  const session = await startSession(t, phone);
  const { page } = session;
  await eventually(async () => (await page.locator("#preview .cc-toggle").count()) === 6, "six toggles drawn");
  const status = page.locator(".wp-status");
  const layer = page.locator("#preview .cc-wallpaper");
  const file = page.locator("[data-testid=wallpaper-file]");

  await file.setInputFiles(photo);
  await eventually(async () => /Wallpaper set/.test(await status.textContent()), "wallpaper set");
  assert.match(await layer.getAttribute("style"), /\/api\/wallpaper/);
  assert.equal(await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"), "image");

  await file.setInputFiles({ name: "notes.png", mimeType: "image/png", buffer: Buffer.from("just text") });
  await eventually(async () => /not a JPEG, PNG, WebP or HEIC/.test(await status.textContent()), "refusal told");
  assert.match(await layer.getAttribute("style"), /\/api\/wallpaper/, "the wallpaper stays");

  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  const before = await background(wifi(page));
  await page.getByRole("button", { name: "Theme from Wallpaper" }).click();
  await eventually(async () => /New preset “Wallpaper”/.test(await status.textContent()), "preset made");
  await presetRow(page, "Wallpaper").waitFor();

  await act(session, () => presetRow(page, "Wallpaper").click());
  await waitForAlert(page, "Wallpaper");
  await choose(session, "Load");
  await waitForNoModal(page);
  await eventually(async () => (await background(wifi(page))) !== before, "the preset's colours in the preview");
  await screenshot(page, "40-wallpaper-theme");

  await page.getByRole("button", { name: "Remove Wallpaper" }).click();
  await eventually(async () => /Wallpaper removed/.test(await status.textContent()), "wallpaper removed");
  assert.equal(await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"), "gradient");
});
