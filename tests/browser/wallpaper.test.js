// The wallpaper behind the preview: set from a file or a drop, refused with a
// message, turned into a new preset that is tried and loads like any other,
// and removed again; presets imported from files through a sheet, and
// exported as they are; a new preset made from a colour typed in the tools.

import { test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import {
  act,
  eventually,
  openBundle,
  sharedPhone,
  PRESETS_DIR,
  repoRoot,
  screenshot,
  SETTINGS,
  stillOnScreen,
  tapRow,
  waitForNoModal,
} from "./harness.js";

const phone = sharedPhone();

const photo = path.join(repoRoot, "fuzz/corpus/image_theme/p3.png");
const presetRow = (page, name) =>
  page.locator(`#page .cell[data-cell-class="QLNPreset"][data-title="${name}"]`);
const wifi = (page) => page.locator('#preview .cc-toggle[data-name="wifi"]');
const background = (locator) => locator.evaluate((n) => getComputedStyle(n).backgroundColor);
const confirmation = (page) => page.locator("[data-testid=wallpaper-confirm]");

// Answers the question asked before a wallpaper is replaced or removed: it
// says that the original is not kept.
async function answer(page, title, choice) {
  const alert = confirmation(page);
  await alert.waitFor();
  assert.equal(await alert.locator(".alert-title").textContent(), title);
  assert.match(await alert.locator(".alert-message").textContent(), /never the original/);
  assert.equal(
    await page.evaluate(() => document.activeElement?.textContent),
    "Cancel",
    "a stray Enter must not confirm",
  );
  await alert.getByRole("button", { name: choice }).click();
  await alert.waitFor({ state: "detached" });
}

test("a wallpaper is set, refused, made into a preset that loads, and removed", async (t) => {
  const session = await phone.start(t, { size: "wide", picture: true });
  const { page } = session;
  const status = page.locator(".wp-bar + .wp-status");
  const toolsStatus = page.locator("[data-testid=tools-status]");
  const layer = page.locator("#preview .cc-wallpaper");
  const file = page.locator("[data-testid=wallpaper-file]");

  await file.setInputFiles(photo);
  await eventually(async () => /Wallpaper set/.test(await status.textContent()), "wallpaper set");
  // The picture takes it from the stream, which may come after the upload's answer.
  await eventually(
    async () => /\/api\/wallpaper/.test((await layer.getAttribute("style")) ?? ""),
    "the wallpaper drawn",
  );
  assert.equal(
    await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"),
    "image",
  );

  // A new photo replaces the old one at once: fading between two blurred photos
  // repaints the whole picture on every frame.
  await layer.evaluate((node) => {
    window.fadesSeen = [];
    new MutationObserver(() => {
      getComputedStyle(node).backgroundImage;
      window.fadesSeen.push(node.getAnimations().length);
    }).observe(node, { attributes: true, attributeFilter: ["style"] });
  });
  await file.setInputFiles(photo);
  await answer(page, "Replace Wallpaper?", "Replace");
  await eventually(
    async () => (await page.evaluate(() => window.fadesSeen.length)) > 0,
    "second wallpaper drawn",
  );
  assert.deepEqual(await page.evaluate(() => window.fadesSeen), [0]);

  await file.setInputFiles({
    name: "notes.png",
    mimeType: "image/png",
    buffer: Buffer.from("just text"),
  });
  await answer(page, "Replace Wallpaper?", "Replace");
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
    async () => /New preset “Wallpaper”/.test(await toolsStatus.textContent()),
    "preset made",
  );
  await presetRow(page, "Wallpaper").waitFor();
  const settings = fs.readFileSync(path.join(session.root, SETTINGS));

  // Tried first: the picture changes, the settings do not.
  await page
    .locator("#tools .tools-offer")
    .getByRole("button", { name: "Preview “Wallpaper”" })
    .click();
  await page.locator("[data-testid=trial-marker]").waitFor();
  await eventually(
    async () => (await background(wifi(page))) !== before,
    "the preset's colours in the preview",
  );
  await stillOnScreen(page);
  const tried = await background(wifi(page));
  assert.deepEqual(fs.readFileSync(path.join(session.root, SETTINGS)), settings);
  await screenshot(page, "40-wallpaper-theme");

  // The page's own Load, as its action sheet offers it; nothing unsaved, so no question.
  await act(session, () =>
    page
      .locator("[data-testid=trial-marker]")
      .getByRole("button", { name: "Load “Wallpaper”" })
      .click(),
  );
  await waitForNoModal(page);
  await page.locator("[data-testid=trial-marker]").waitFor({ state: "hidden" });
  await stillOnScreen(page);
  assert.equal(await background(wifi(page)), tried, "the loaded preset as it was tried");
  assert.deepEqual(
    fs.readFileSync(path.join(session.root, SETTINGS)),
    fs.readFileSync(path.join(session.root, PRESETS_DIR, "Wallpaper.plist")),
  );

  // Asked first: Cancel keeps it.
  await page.getByRole("button", { name: "Remove Wallpaper" }).click();
  await answer(page, "Remove Wallpaper?", "Cancel");
  assert.equal(
    await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"),
    "image",
  );
  assert.equal(await page.locator("[data-testid=theme-hint]").isHidden(), true);
  await page.getByRole("button", { name: "Remove Wallpaper" }).click();
  await answer(page, "Remove Wallpaper?", "Remove");
  await eventually(
    async () => /Wallpaper removed/.test(await status.textContent()),
    "wallpaper removed",
  );
  assert.equal(
    await page.locator("[data-testid=preview-screen]").getAttribute("data-wallpaper"),
    "gradient",
  );
  // Without a wallpaper, the greyed-out tool says what it needs.
  assert.equal(await page.getByRole("button", { name: "Theme from Wallpaper" }).isDisabled(), true);
  assert.match(
    await page.locator("[data-testid=theme-hint]:visible").textContent(),
    /needs a wallpaper/,
  );
  // A load without a wallpaper asks the server for none: no failed request in the console.
  const failed = [];
  page.on("console", (m) => m.type() === "error" && failed.push(m.text()));
  await page.reload();
  await page.locator("[data-testid=preview-screen]").waitFor();
  await page.waitForTimeout(500);
  assert.deepEqual(failed, []);
  assert.deepEqual(session.errors, []);
});

test("a preset is imported from a file through a sheet, by picker or drop, and exported as it is", async (t) => {
  const session = await phone.start(t, { size: "wide" });
  const { page } = session;
  const settings = fs.readFileSync(path.join(session.root, SETTINGS), "utf8");
  const status = page.locator("[data-testid=tools-status]");
  const sheet = page.locator("[data-testid=import-sheet]");
  const name = page.locator("[data-testid=import-name]");
  const error = page.locator("[data-testid=import-error]");
  await openBundle(session);
  await tapRow(session, "Presets", "Presets");

  const chooser = page.waitForEvent("filechooser");
  await page.getByRole("button", { name: "Import from File…" }).click();
  await (
    await chooser
  ).setFiles({
    name: "shared.plist",
    mimeType: "application/x-plist",
    buffer: Buffer.from(settings),
  });
  await sheet.waitFor();
  assert.equal(await name.inputValue(), "shared", "the file's name, prefilled");
  assert.equal(await name.evaluate((n) => n === document.activeElement), true);
  await name.fill("Imported");
  await sheet.getByRole("button", { name: "Import" }).click();
  await sheet.waitFor({ state: "detached" });
  await eventually(
    async () => /Preset “Imported” imported/.test(await status.textContent()),
    "imported",
  );
  assert.equal(
    fs.readFileSync(path.join(session.root, PRESETS_DIR, "Imported.plist"), "utf8"),
    settings,
  );
  await presetRow(page, "Imported").waitFor();

  // Refusals are told in the sheet, which stays for another try.
  await page.locator("[data-testid=preset-file]").setInputFiles({
    name: "broken.plist",
    mimeType: "application/x-plist",
    buffer: Buffer.from("not a property list"),
  });
  await sheet.waitFor();
  await sheet.getByRole("button", { name: "Import" }).click();
  await eventually(
    async () => /not a property-list dictionary/.test(await error.textContent()),
    "refused in the sheet",
  );
  assert.equal(await name.getAttribute("aria-invalid"), "true");
  await screenshot(page, "41-import-refused");
  await page.keyboard.press("Escape");
  await sheet.waitFor({ state: "detached" });
  assert.equal(fs.existsSync(path.join(session.root, PRESETS_DIR, "broken.plist")), false);
  assert.equal(await page.locator("#page-title").textContent(), "Presets", "Escape left the page");

  // A .plist dropped on the page: a taken name is refused, another one stored.
  await page.locator("#page").evaluate((target, text) => {
    const data = new DataTransfer();
    data.items.add(new File([text], "Imported.plist", { type: "application/x-plist" }));
    for (const type of ["dragenter", "dragover", "drop"])
      target.dispatchEvent(
        new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: data }),
      );
  }, settings);
  await sheet.waitFor();
  await name.press("Enter");
  await eventually(async () => /already exists/.test(await error.textContent()), "name taken");
  await name.fill("Dropped");
  assert.equal(await error.textContent(), "", "typing clears the message");
  await name.press("Enter");
  await sheet.waitFor({ state: "detached" });
  await presetRow(page, "Dropped").waitFor();
  assert.equal(
    fs.readFileSync(path.join(session.root, PRESETS_DIR, "Dropped.plist"), "utf8"),
    settings,
  );

  const download = page.waitForEvent("download");
  await page.getByRole("button", { name: "Export “Imported” to File" }).click();
  const file = await download;
  assert.equal(file.suggestedFilename(), "Imported.plist");
  assert.equal(fs.readFileSync(await file.path(), "utf8"), settings);
});

test("a theme is made from a colour the field reads, and Undo takes it away again", async (t) => {
  const session = await phone.start(t, { size: "wide", picture: true });
  const { page } = session;
  const field = page.getByRole("textbox", { name: "Color" });
  const message = page.locator("[data-testid=colour-message]");
  const make = page.getByRole("button", { name: "Make Theme" });
  const status = page.locator("[data-testid=colour-status]");
  const presetFiles = () => {
    const folder = path.join(session.root, PRESETS_DIR);
    return fs.existsSync(folder) ? fs.readdirSync(folder).sort() : [];
  };
  await openBundle(session);
  await tapRow(session, "Presets", "Presets");
  assert.equal(await make.isDisabled(), true, "nothing to make a theme of yet");

  // A typo is told while typing, and Make Theme waits; Enter makes nothing.
  await field.fill("#FF2G55");
  await eventually(
    async () => /“G” is not a hex digit/.test(await message.textContent()),
    "the typo told",
  );
  assert.equal(await field.getAttribute("aria-invalid"), "true");
  assert.equal(await make.isDisabled(), true);
  await field.press("Enter");
  assert.equal(await status.textContent(), "");

  await field.fill("coral");
  assert.equal(await message.textContent(), "Reads as #FF7F50.");
  assert.equal(await field.getAttribute("aria-invalid"), "false");
  // The harmony is a radio group: one tab stop, the arrows choose.
  const monochrome = page.getByRole("radio", { name: "Monochrome" });
  const complementary = page.getByRole("radio", { name: "Complementary" });
  assert.equal(await monochrome.getAttribute("aria-checked"), "true");
  await field.press("Tab");
  assert.equal(await monochrome.evaluate((n) => n === document.activeElement), true);
  await page.keyboard.press("ArrowLeft");
  assert.equal(await complementary.getAttribute("aria-checked"), "true");
  assert.equal(await complementary.evaluate((n) => n === document.activeElement), true);
  assert.equal(await monochrome.getAttribute("tabindex"), "-1");

  const settings = fs.readFileSync(path.join(session.root, SETTINGS));
  const before = presetFiles();
  await page.keyboard.press("Tab");
  await page.keyboard.press("Enter");
  await eventually(
    async () => /New preset “coral” made from coral/.test(await status.textContent()),
    "preset made",
  );
  await presetRow(page, "coral").waitFor();
  assert.deepEqual(presetFiles(), [...before, "coral.plist"].sort(), "one new preset");
  assert.deepEqual(fs.readFileSync(path.join(session.root, SETTINGS)), settings);
  // The same offer as a theme from the wallpaper.
  await page
    .locator("#tools .tools-offer")
    .getByRole("button", { name: "Preview “coral”" })
    .waitFor();
  await screenshot(page, "41-colour-theme");
  // Each harmony's title whole, also with the panel full enough to scroll.
  const clipped = await page.getByRole("radiogroup", { name: "Harmony" }).evaluate((group) =>
    [...group.children]
      .filter((segment) => {
        const text = document.createRange();
        text.selectNodeContents(segment);
        const style = getComputedStyle(segment);
        const room =
          segment.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
        return text.getBoundingClientRect().width > room;
      })
      .map((segment) => segment.textContent),
  );
  assert.deepEqual(clipped, [], "every harmony's title is read whole");
  const undo = page.locator("[data-testid=history-undo]");
  await eventually(
    async () => (await undo.getAttribute("aria-label")) === "Undo Theme from Colour “coral”",
    "the step named",
  );

  await act(session, () => undo.click());
  await presetRow(page, "coral").waitFor({ state: "detached" });
  assert.deepEqual(presetFiles(), before);
  assert.deepEqual(fs.readFileSync(path.join(session.root, SETTINGS)), settings);
  assert.deepEqual(session.errors, []);
});

test("an image dropped onto the picture is drawn behind the modules", async (t) => {
  const session = await phone.start(t, { size: "wide", picture: true });
  const { page } = session;
  const screen = page.locator("[data-testid=preview-screen]");
  const gradient = await screen.screenshot({ animations: "disabled" });

  await screen.evaluate((target, base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const data = new DataTransfer();
    data.items.add(new File([bytes], "p3.png", { type: "image/png" }));
    for (const type of ["dragenter", "dragover", "drop"])
      target.dispatchEvent(
        new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: data }),
      );
  }, fs.readFileSync(photo).toString("base64"));
  await eventually(
    async () => (await screen.getAttribute("data-wallpaper")) === "image",
    "the wallpaper set",
  );
  // Drawn: the layer's image decodes, and the picture is no longer the gradient.
  const width = await page.locator("#preview .cc-wallpaper").evaluate(async (layer) => {
    const url = /url\("?([^")]+)"?\)/.exec(getComputedStyle(layer).backgroundImage)?.[1];
    const image = new Image();
    image.src = url;
    await image.decode();
    return image.naturalWidth;
  });
  assert.ok(width > 0, "the display copy decodes");
  await eventually(
    async () => !(await screen.screenshot({ animations: "disabled" })).equals(gradient),
    "the picture drawn over the wallpaper",
  );
});
