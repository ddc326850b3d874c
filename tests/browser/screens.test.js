// Walks the main pages and saves a picture of each under the build
// directory, for a person to look at; the walk itself checks that every
// page opens with rows and without script errors.

import { test } from "node:test";
import assert from "node:assert/strict";
import {
  act,
  back,
  cell,
  choose,
  eventually,
  keyed,
  openBundle,
  screenshot,
  startOwnPhone,
  tapRow,
  waitForAlert,
  waitForNoModal,
  waitForPicker,
  waitForTitle,
  closePicker,
} from "./harness.js";

const PAGES = [
  ["Connectivity", "connectivity"],
  ["Toggles", "toggles"],
  ["Presets", "presets"],
  ["Media Controls", "media-controls"],
  ["Sliders", "sliders"],
  ["Miscellaneous", "misc"],
];

async function rowCount(page) {
  return page.locator("#page .cell:not([hidden])").count();
}

test("every main page opens and is pictured", async (t) => {
  const { session } = await startOwnPhone(t);
  const { page } = session;
  await screenshot(page, "00-settings-list");
  await act(session, () => page.locator("[data-testid=open-bundle]").click());
  await waitForAlert(page, "Welcome");
  await screenshot(page, "01-alert-welcome");
  await choose(session, "OK");
  await waitForNoModal(page);
  await eventually(
    async () => /Version \d/.test(await page.locator("#page .header-label-1").textContent()),
    "the version",
  );
  await screenshot(page, "02-root");

  for (const [title, name] of PAGES) {
    await tapRow(session, title, title);
    await eventually(async () => (await rowCount(page)) > 0, `rows on ${title}`);
    await screenshot(page, `03-${name}`);
    await back(session, "Quillane");
  }

  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  await screenshot(page, "04-picker");
  await closePicker(session);
  await act(session, () => keyed(page, "connectivityGlobalPicker").click());
  await waitForAlert(page, "Set Global Color");
  await screenshot(page, "05-alert-global");
  await choose(session, "Cancel");
  await waitForNoModal(page);

  await tapRow(session, "Rearrange Toggles");
  await eventually(
    async () => (await page.locator("#page .cell.movable").count()) > 0,
    "toggle rows",
  );
  await screenshot(page, "06-order");
  await back(session, "Connectivity");
  await back(session, "Quillane");

  await tapRow(session, "Presets", "Presets");
  await act(session, () => cell(page, "New Preset").click());
  await waitForAlert(page, "New Preset");
  await screenshot(page, "07-alert-text-field");
  await choose(session, "Save", ["Evening"]);
  await waitForNoModal(page);
  await act(session, () => cell(page, "Evening").click());
  await waitForAlert(page, "Evening");
  await screenshot(page, "08-action-sheet");
  await choose(session, "Cancel");
  await waitForNoModal(page);
  await screenshot(page, "09-presets-with-preset");

  assert.deepEqual(session.errors, []);
});

test("the root page in dark appearance with Prysm installed", async (t) => {
  const { session } = await startOwnPhone(t, { colorScheme: "dark" }, { init: ["--prysm"] });
  const { page } = session;
  await openBundle(session);
  await waitForTitle(page, "Quillane");
  await cell(page, "Battery").waitFor();
  await screenshot(page, "10-root-dark-prysm");
  assert.deepEqual(session.errors, []);
});
