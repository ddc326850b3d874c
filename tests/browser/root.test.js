// The root page: the first-run greeting, the header's version and the full
// reset.

import { test } from "node:test";
import assert from "node:assert/strict";
import { readFile } from "node:fs/promises";
import {
  act,
  back,
  cell,
  choose,
  eventually,
  keyed,
  sharedPhone,
  openBundle,
  projectVersion,
  SETTINGS,
  tapRow,
  waitForAlert,
  waitForNoModal,
  waitForTitle,
} from "./harness.js";

const phone = sharedPhone();

test("the header's version line fades in with the project's version", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  const version = page.locator("#page .header-label-1");
  const expected = projectVersion();
  assert.ok(expected, "the project version is readable from cmake/Version.cmake");
  await eventually(
    async () => (await version.textContent()).startsWith(`Version ${expected}`),
    "the version text",
  );
  await eventually(
    async () => (await version.evaluate((n) => getComputedStyle(n).opacity)) === "1",
    "the version line fully shown",
  );
  assert.match(await page.locator("#page .header-label-0").textContent(), /^quillane$/i);
});

test("the greeting comes once per device, the Settings list returns on back", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  assert.equal(
    session.exists("var/mobile/Library/Preferences/com.tarrowvine.quillane.configured"),
    true,
  );
  await act(session, () => page.locator("[data-testid=nav-back]").click());
  await page.locator("[data-testid=open-bundle]").waitFor();
  await openBundle(session, { welcome: false });
  assert.equal(await page.locator("#modal").isHidden(), true);
});

test("the browser's Back goes back a page, over a dialog answers as Escape, and from the list leaves", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => page.locator('#page .cell[data-key="wifiEnabled"]').click());
  await page.locator("[data-testid=picker-cancel]").waitFor();
  await act(session, () => page.goBack());
  await page.locator("#modal").waitFor({ state: "hidden" });
  assert.equal(await page.locator("#page-title").textContent(), "Connectivity");
  await act(session, () => page.goBack());
  await waitForTitle(page, "Quillane");
  await act(session, () => page.goBack());
  await page.locator("[data-testid=open-bundle]").waitFor();
  assert.equal(new URL(page.url()).origin, session.origin, "still on the settings");
  await page.goBack();
  await page.waitForURL((url) => url.origin !== session.origin);
  assert.equal((await session.settings()).wifiEnabled, undefined);
});

test("Reset All Settings puts the defaults back after confirmation", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "connectivityModeEnabled").locator("[role=switch]").click());
  assert.equal((await session.settings()).connectivityModeEnabled, false);
  await back(session, "Quillane");

  await act(session, () => cell(page, "Reset All Settings").click());
  await waitForAlert(page, "Reset All Settings");
  await choose(session, "Cancel");
  await waitForNoModal(page);
  assert.equal((await session.settings()).connectivityModeEnabled, false);

  await act(session, () => cell(page, "Reset All Settings").click());
  await waitForAlert(page, "Reset All Settings");
  await choose(session, "Yes");
  await waitForAlert(page, "Success");
  await choose(session, "OK");
  await waitForNoModal(page);
  const defaults = await readFile(
    session.file("Library/PreferenceBundles/Quillane.bundle/defaults.plist"),
    "utf8",
  );
  assert.equal(await readFile(session.file(SETTINGS), "utf8"), defaults);
  await waitForTitle(page, "Quillane");
});

test("a second tab opened on a deep page names its back button after the page beneath", async (t) => {
  const session = await phone.start(t);
  await openBundle(session);
  const second = await phone.context.newPage();
  t.after(() => second.close());
  const cases = [
    // pages tapped in the first tab from the root, then what the second tab's back button reads
    [[], "Settings"],
    [["Connectivity"], "Quillane"],
    [["Connectivity", "Rearrange Toggles"], "Connectivity"],
    [["Presets"], "Quillane"],
  ];
  for (const [path, label] of cases) {
    for (const title of path) await tapRow(session, title);
    await second.goto(session.url, { waitUntil: "load" });
    const backButton = second.locator("[data-testid=nav-back]");
    await backButton.waitFor();
    assert.equal(await backButton.textContent(), label, path.join(" > "));
    assert.equal(await backButton.getAttribute("aria-label"), `Back to ${label}`, path.join(" > "));
    for (let i = path.length - 1; i >= 0; i--)
      await back(session, i === 0 ? "Quillane" : path[i - 1]);
  }
});

test("the greeting's OK from the keyboard leaves focus on the new page's heading", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await page.locator("[data-testid=open-bundle]").focus();
  await act(session, () => page.keyboard.press("Enter"));
  await waitForAlert(page, "Welcome");
  await act(session, () => page.keyboard.press("Enter"));
  await waitForNoModal(page);
  const focused = await page.evaluate(() => [
    document.activeElement.id,
    document.activeElement.textContent,
  ]);
  assert.deepEqual(focused, ["page-title", "Quillane"]);
});
