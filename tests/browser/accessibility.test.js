// axe-core over every page, alert, action sheet and the picker, in light and
// dark and at a desktop and a phone-sized window: no rule may be broken.
// One device walks the pages; each stop is checked in all four looks.

import { test } from "node:test";
import assert from "node:assert/strict";
import path from "node:path";
import {
  act,
  back,
  cell,
  choose,
  closePicker,
  eventually,
  keyed,
  openBundle,
  sharedPhone,
  SIZES,
  repoRoot,
  stillOnScreen,
  tapRow,
  typeHex,
  waitForAlert,
  waitForNoModal,
  waitForPicker,
  waitForTitle,
} from "./harness.js";

const AXE = path.join(repoRoot, "tests/browser/node_modules/axe-core/axe.min.js");

const LOOKS = [
  { scheme: "light", viewport: "desktop" },
  { scheme: "dark", viewport: "desktop" },
  { scheme: "light", viewport: "phone" },
  { scheme: "dark", viewport: "phone" },
];
const PICTURE = "[data-testid=preview-screen]";

const phone = sharedPhone();

// One line per broken rule: the rule, its nodes and axe's own summary of the first.
function describe(violations) {
  return violations
    .map((v) => {
      const nodes = v.nodes.map((n) => n.target.join(" ")).join(" | ");
      return `${v.id} (${v.nodes.length}): ${nodes}\n    ${v.nodes[0]?.failureSummary?.replace(/\n/g, " ") ?? ""}`;
    })
    .join("\n  ");
}

// Fades wait two frames before they start: let those pass, then let every
// animation end, so the colours judged are the ones that stay.
async function settleLook(page) {
  await page.evaluate(
    () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))),
  );
  await stillOnScreen(page);
}

// Runs axe in every look (or those given); collects "stop, look: violations"
// for the report.
async function audit(page, stop, failures, looks = LOOKS) {
  if (!(await page.evaluate(() => typeof window.axe === "object")))
    await page.addScriptTag({ path: AXE });
  for (const look of looks) {
    await page.setViewportSize(SIZES[look.viewport]);
    await page.emulateMedia({ colorScheme: look.scheme, reducedMotion: "reduce" });
    await settleLook(page);
    const violations = await page.evaluate(async (picture) => {
      // WCAG A and AA, best practices, and the experimental rules (label-content-name-mismatch is one).
      const tags = [
        "wcag2a",
        "wcag2aa",
        "wcag21a",
        "wcag21aa",
        "wcag22aa",
        "best-practice",
        "experimental",
      ];
      const all = await window.axe.run(document, {
        runOnly: { type: "tag", values: tags },
        rules: { "color-contrast": { enabled: false } },
      });
      // The Control Center picture shows the user's own colours, legible or not.
      const contrast = await window.axe.run(
        { include: [document], exclude: [[picture]] },
        { runOnly: ["color-contrast"] },
      );
      return [...all.violations, ...contrast.violations];
    }, PICTURE);
    if (violations.length > 0)
      failures.push(`${stop}, ${look.scheme} ${look.viewport}:\n  ${describe(violations)}`);
  }
  await page.setViewportSize(SIZES.phone);
  await page.emulateMedia({ colorScheme: "light", reducedMotion: "reduce" });
}

const linkTitles = (page) =>
  page
    .locator('#page .cell[data-cell="link"]:not([hidden])')
    .evaluateAll((nodes) =>
      nodes.filter((n) => n.getAttribute("aria-disabled") !== "true").map((n) => n.dataset.title),
    );

test("axe finds no violation on any page or dialog, light and dark, desktop and phone", async (t) => {
  const session = await phone.start(t, { init: ["--all-tweaks"] });
  const { page } = session;
  const failures = [];
  // Fades end at once, so every look is judged at its final colours.
  await page.emulateMedia({ reducedMotion: "reduce" });

  await audit(page, "the Settings list", failures);
  await act(session, () => page.locator("[data-testid=open-bundle]").click());
  await waitForAlert(page, "Welcome");
  await audit(page, "the greeting alert", failures);
  await choose(session, "OK");
  await waitForNoModal(page);
  await audit(page, "the root page", failures);

  const sections = await linkTitles(page);
  assert.ok(sections.length >= 6, `section links on the root page: ${sections}`);
  for (const title of sections) {
    await tapRow(session, title);
    await eventually(
      async () => (await page.locator("#page-title").textContent()) !== "Quillane",
      `${title}'s page`,
    );
    const pageTitle = await page.locator("#page-title").textContent();
    await audit(page, `the ${pageTitle} page`, failures);
    await back(session, "Quillane");
  }

  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  await audit(page, "the picker", failures);
  // A row with a colour shows its value: its name must read the same.
  await typeHex(session, "#1A2B3C:0.5");
  await closePicker(session);
  await audit(page, "the Connectivity page with a colour", failures);
  // The picker saying what is wrong with its field, then a glyph made hard to read.
  await act(session, () => keyed(page, "wifiGlyphEnabled").click());
  await waitForPicker(page);
  await page.locator("[data-testid=picker-hex]").fill("#12");
  await page.locator("[data-testid=picker-hex-status].picker-hex-invalid").waitFor();
  await audit(page, "the picker with a value it cannot read", failures);
  await typeHex(session, "#1A2B3C:0.5");
  await closePicker(session);
  const desktopLooks = LOOKS.filter((look) => look.viewport === "desktop");
  await page.setViewportSize(SIZES.desktop);
  await page.locator("[data-testid=preview-warnings-button]").click();
  await page.locator("#cc-warnings-list").waitFor();
  await audit(page, "the warnings' list over the picture", failures, desktopLooks);
  await page.setViewportSize(SIZES.desktop);
  await page.keyboard.press("Escape");
  await back(session, "Quillane");

  await tapRow(session, "Presets", "Presets");
  await act(session, () => cell(page, "New Preset").click());
  await waitForAlert(page, "New Preset");
  await audit(page, "the alert with a text field", failures);
  await choose(session, "Save", ["Evening"]);
  await waitForNoModal(page);
  await act(session, () => cell(page, "Evening").click());
  await waitForAlert(page, "Evening");
  await audit(page, "the action sheet", failures);
  await choose(session, "Cancel");
  await waitForNoModal(page);
  await audit(page, "the Presets page with a preset", failures);

  // Beside the page: a preset tried in the picture, and the sheet that names an import.
  await page.setViewportSize(SIZES.desktop);
  await page.locator("#tools").getByRole("button", { name: "Preview “Evening”" }).click();
  await page.locator("[data-testid=trial-marker]").waitFor();
  await audit(page, "a preset tried in the picture", failures);
  await page.setViewportSize(SIZES.desktop);
  await page.keyboard.press("Escape");
  await page.locator("[data-testid=trial-marker]").waitFor({ state: "hidden" });
  await page.locator("[data-testid=preset-file]").setInputFiles({
    name: "shared.plist",
    mimeType: "application/x-plist",
    buffer: Buffer.from("<plist><array/></plist>"),
  });
  await page.locator("[data-testid=import-sheet]").getByRole("button", { name: "Import" }).click();
  await page.locator("[data-testid=import-error]:not(:empty)").waitFor();
  await audit(page, "the import sheet with its refusal", failures);
  await page.keyboard.press("Escape");
  await page.locator("[data-testid=import-sheet]").waitFor({ state: "detached" });
  await page.setViewportSize(SIZES.desktop);
  await page.getByRole("textbox", { name: "Color" }).fill("#FF2G55");
  await page.getByRole("textbox", { name: "Color" }).press("Tab");
  await page.locator("[data-testid=colour-message]:not(:empty)").waitFor();
  await audit(page, "Theme from Colour with a typo", failures, desktopLooks);
  // A phone-sized window has the tools as a sheet of their own.
  await page.getByRole("button", { name: "Preset Tools" }).click();
  await page.getByRole("dialog", { name: "Preset Tools" }).waitFor();
  const phoneLooks = LOOKS.filter((look) => look.viewport === "phone");
  await audit(page, "the tools sheet", failures, phoneLooks);
  await page.keyboard.press("Escape");

  // The phone-sized window shows the Control Center picture on its own tab.
  await page.locator("#tab-preview").click();
  await page.locator("[data-testid=preview-screen]").waitFor();
  await audit(page, "the Preview tab", failures);
  await page.locator("[data-testid=device-open]").click();
  await page.locator("[data-testid=device-panel]").waitFor();
  await page.locator("[data-testid=device-add-module]").click();
  await page.locator("[data-testid=device-add-submit]").click();
  await audit(page, "the Device panel with a refused module", failures);
  await page.locator('[data-testid=device-panel] [data-tweak="noctis"]').click();
  await page.locator("[data-testid=device-cancel]").click();
  await page.locator("[data-testid=device-discard]").waitFor();
  await audit(page, "the question before the panel's edits go", failures, phoneLooks);
  await page.getByRole("button", { name: "Discard Changes" }).click();
  await page.locator("[data-testid=device-panel]").waitFor({ state: "detached" });
  await page.locator("#tab-settings").click();
  await waitForTitle(page, "Presets");

  assert.deepEqual(failures, [], failures.join("\n"));
  assert.deepEqual(session.errors, []);
});

// Some tweaks take the toggles' order over, so the order page is checked on
// a device without them.
test("axe finds no violation on the order page", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  const failures = [];
  await page.emulateMedia({ reducedMotion: "reduce" });
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await tapRow(session, "Rearrange Toggles");
  await eventually(
    async () => (await page.locator("#page .cell.movable").count()) === 6,
    "the order page",
  );
  await audit(page, "the order page", failures);
  assert.deepEqual(failures, [], failures.join("\n"));
});

// Tabs through the page and, for each control outside the phone, compares
// its picture focused with its picture unfocused: a ring that draws nothing
// (an outline in a colour that is not defined there) leaves them the same.
// Answers the controls that drew nothing, and how many were checked.
async function controlsWithoutRing(page, stop) {
  await page.evaluate(() => document.activeElement?.blur?.());
  const missing = [];
  const checked = new Set();
  const viewport = page.viewportSize();
  for (let press = 0; press < 150; press++) {
    await page.keyboard.press("Tab");
    const focused = await page.evaluate(() => {
      const node = document.activeElement;
      if (!node || node === document.body || node.closest("#phone")) return null;
      node.dataset.ringId ??= String(Math.random()).slice(2);
      const r = node.getBoundingClientRect();
      const name = node.getAttribute("aria-label") || node.textContent.trim() || node.tagName;
      return { id: node.dataset.ringId, name, x: r.x, y: r.y, width: r.width, height: r.height };
    });
    if (!focused) continue;
    if (checked.has(focused.id)) break;
    checked.add(focused.id);
    const x = Math.max(0, focused.x - 6);
    const y = Math.max(0, focused.y - 6);
    const clip = {
      x,
      y,
      width: Math.min(viewport.width, focused.x + focused.width + 6) - x,
      height: Math.min(viewport.height, focused.y + focused.height + 6) - y,
    };
    if (clip.width <= 0 || clip.height <= 0) continue;
    const ringed = await page.screenshot({ clip, animations: "disabled", scale: "css" });
    await page.evaluate(() => document.activeElement.blur());
    const plain = await page.screenshot({ clip, animations: "disabled", scale: "css" });
    await page.evaluate(
      (id) => document.querySelector(`[data-ring-id="${id}"]`).focus(),
      focused.id,
    );
    if (ringed.equals(plain)) missing.push(`${stop}: ${focused.name}`);
  }
  return { missing, count: checked.size };
}

test("every control outside the phone draws a focus ring, light and dark, desktop and phone", async (t) => {
  const session = await phone.start(t, { size: { width: 1440, height: 900 }, picture: true });
  const { page } = session;
  await page.emulateMedia({ reducedMotion: "reduce" });
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  await typeHex(session, "#1A2B3C");
  await closePicker(session);
  await back(session, "Quillane");
  await tapRow(session, "Presets", "Presets");
  const missing = [];
  for (const scheme of ["light", "dark"]) {
    await page.emulateMedia({ colorScheme: scheme, reducedMotion: "reduce" });
    await page.setViewportSize({ width: 1440, height: 900 });
    const wide = await controlsWithoutRing(page, `${scheme} desktop`);
    missing.push(...wide.missing);
    // Undo, Light and Dark, Find Row, Device, the scene tabs, the wallpaper and the tools.
    assert.ok(wide.count >= 10, `${wide.count} controls reached outside the phone`);
    await page.setViewportSize(SIZES.phone);
    await page.locator("#tab-preview").click();
    await page.locator("[data-testid=preview-screen]").waitFor();
    const narrow = await controlsWithoutRing(page, `${scheme} phone`);
    missing.push(...narrow.missing);
    assert.ok(narrow.count >= 8, `${narrow.count} controls reached on the Preview tab`);
    await page.locator("#tab-settings").click();
  }
  assert.deepEqual(missing, []);
});
