// The Device panel: the user installs a tweak, adds a module of their own
// and reorders Control Center; the open Toggles page and the picture follow
// the device's files as they would on a phone.

import { test } from "node:test";
import assert from "node:assert/strict";
import { cell, eventually, openBundle, sharedPhone, screenshot, tapRow } from "./harness.js";

const CONFIGURATION = "var/mobile/Library/ControlCenter/ModuleConfiguration.plist";
const NOCTIS = "com.laughingquoll.noctis.toggle";
const NOTES = "com.example.notes";

const phone = sharedPhone();

const panel = (page) => page.locator("[data-testid=device-panel]");
const enabledRow = (page, id) =>
  page.locator(`[data-testid=device-enabled] [data-identifier="${id}"]`);

async function openPanel(page) {
  await page.locator("[data-testid=device-open]").click();
  await panel(page).waitFor();
}

// Done sends the device; the panel closes once the server took it.
async function done(page) {
  const answered = page.waitForResponse(
    (r) => r.url().endsWith("/api/device") && r.request().method() === "PUT",
  );
  await page.locator("[data-testid=device-done]").click();
  const response = await answered;
  assert.equal(response.status(), 200, await response.text());
  await panel(page).waitFor({ state: "detached" });
}

// The module tiles of the picture, in the order drawn.
const tileOrder = (page) =>
  page.$$eval("#preview [data-identifier]", (nodes) => nodes.map((n) => n.dataset.identifier));

test("a tweak and a module of one's own reach the Toggles page and the picture, in the order set", async (t) => {
  const session = await phone.start(t, { size: "wide" });
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Toggles", "Toggles");

  await openPanel(page);
  await page.locator('[data-tweak="noctis"]').click();
  await page
    .locator(`[data-testid=device-more] [data-identifier="${NOCTIS}"] [data-action=add]`)
    .click();
  await page.locator("[data-testid=device-add-module]").click();
  // A bad identifier is refused in place; nothing leaves the panel.
  await page.locator("#device-identifier").fill("notes");
  await page.locator("#device-name").fill("Quick Notes");
  await page.locator("[data-testid=device-add-submit]").click();
  assert.match(await page.locator("#device-add-error").textContent(), /two or more parts/);
  await page.locator("#device-identifier").fill(NOTES);
  await page.locator("[data-testid=device-add-submit]").click();
  assert.equal(await enabledRow(page, NOTES).count(), 1, "adding a module also includes it");
  await screenshot(page, "device-panel");
  await done(page);

  // The open page and the picture, without a reload.
  await cell(page, "Quick Notes").waitFor();
  await cell(page, "Noctis").waitFor();
  await page.locator(`#preview [data-identifier="${NOTES}"]`).waitFor();
  await page.locator(`#preview [data-identifier="${NOCTIS}"]`).waitFor();
  assert.ok(session.exists(`Library/ControlCenter/Bundles/${NOTES}.bundle/Info.plist`));
  assert.ok(session.exists("Library/ControlCenter/Bundles/NoctisToggle.bundle"));

  // Reorder by keyboard: Quick Notes to the top.
  await openPanel(page);
  const up = enabledRow(page, NOTES).locator("[data-action=up]");
  const steps = (await session.readPlist(CONFIGURATION))["module-identifiers"].indexOf(NOTES);
  assert.ok(steps > 0);
  await up.focus();
  for (let i = 0; i < steps; i++) await page.keyboard.press("Enter");
  assert.equal(
    await page.locator("[data-testid=device-enabled] > li").first().getAttribute("data-identifier"),
    NOTES,
  );
  await done(page);
  const order = (await session.readPlist(CONFIGURATION))["module-identifiers"];
  assert.equal(order[0], NOTES);
  await eventually(async () => {
    const drawn = (await tileOrder(page)).filter((id) => order.includes(id));
    const expected = order.filter((id) => drawn.includes(id));
    return drawn[0] === NOTES && JSON.stringify(drawn) === JSON.stringify(expected) && drawn;
  }, "the picture's tiles in the new order");

  // Removing the module of one's own removes its bundle; a bad version stays in the panel.
  await openPanel(page);
  await enabledRow(page, NOTES).locator("[data-action=remove]").click();
  await page
    .locator(`[data-testid=device-more] [data-identifier="${NOTES}"] [data-action=delete]`)
    .click();
  await page.locator("#device-version").fill("9.3");
  await page.locator("[data-testid=device-done]").click();
  assert.match(await page.locator("[data-testid=device-error]").textContent(), /11\.0 to 17/);
  await page.locator("#device-version").fill("13.0");
  await done(page);
  await eventually(
    async () => (await page.locator(`#preview [data-identifier="${NOTES}"]`).count()) === 0,
    "the deleted module's tile to go",
  );
  assert.equal(await cell(page, "Quick Notes").count(), 0);
  assert.ok(!session.exists(`Library/ControlCenter/Bundles/${NOTES}.bundle`));
  assert.equal(
    (await session.readPlist("System/Library/CoreServices/SystemVersion.plist")).ProductVersion,
    "13.0",
  );
  assert.deepEqual(session.errors, []);
});

test("a second press on Device while the device is read opens one panel, and Cancel gives the page back", async (t) => {
  const session = await phone.start(t, { size: "wide" });
  const { page } = session;
  // The device's answer waits until both presses are made.
  let reads = 0;
  let release;
  const held = new Promise((resolve) => (release = resolve));
  await page.route("**/api/device", async (route) => {
    reads++;
    await held;
    await route.continue();
  });
  t.after(() => {
    release();
    return page.unroute("**/api/device");
  });
  const opener = page.locator("[data-testid=device-open]");
  await opener.click();
  await opener.click();
  release();
  await panel(page).waitFor();
  await page.locator("[data-testid=device-cancel]").click();
  await panel(page).waitFor({ state: "detached" });
  assert.equal(reads, 1);
  const inert = await page.evaluate(() =>
    [...document.querySelectorAll("[inert]")].map((n) => n.id || n.className),
  );
  assert.deepEqual(inert, []);
  // The page answers again.
  await openBundle(session);
  assert.deepEqual(session.errors, []);
});

test("the panel's edits outlive a reload and are thrown away only when the user says so", async (t) => {
  const session = await phone.start(t, { size: "wide" });
  const { page } = session;
  const noctis = page.locator('[data-testid=device-panel] [data-tweak="noctis"]');
  const discard = page.locator("[data-testid=device-discard]");
  await openPanel(page);
  await noctis.click();
  await page.reload();
  await panel(page).waitFor();
  assert.equal(await noctis.getAttribute("aria-checked"), "true", "the edit after the reload");
  assert.match(await page.locator(".device-status").textContent(), /before the reload/);

  const cases = [
    // how the user leaves, the answer, whether the panel stays
    [() => page.keyboard.press("Escape"), "Keep Editing", true],
    [() => page.locator("[data-testid=device-cancel]").click(), "Keep Editing", true],
    [() => page.keyboard.press("Escape"), "Discard Changes", false],
  ];
  for (const [leave, choice, stays] of cases) {
    await leave();
    await discard.waitFor();
    assert.equal(await discard.locator(".alert-title").textContent(), "Discard Changes?");
    await discard.getByRole("button", { name: choice }).click();
    await discard.waitFor({ state: "detached" });
    assert.equal(await panel(page).isVisible(), stays, choice);
  }
  assert.ok(!session.exists("Library/ControlCenter/Bundles/NoctisToggle.bundle"));
  // Nothing is kept once discarded, and an untouched panel closes without a question.
  await page.reload();
  await page.locator("[data-testid=device-open]").waitFor();
  assert.equal(await panel(page).count(), 0);
  await openPanel(page);
  await page.keyboard.press("Escape");
  await panel(page).waitFor({ state: "detached" });
  assert.equal(await discard.count(), 0);
  assert.deepEqual(session.errors, []);
});
