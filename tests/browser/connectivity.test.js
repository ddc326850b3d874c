// The connectivity page's edited state and the order page's drag handles.

import { test } from "node:test";
import assert from "node:assert/strict";
import {
  act,
  stillOnScreen,
  back,
  eventually,
  keyed,
  sharedPhone,
  openBundle,
  tapRow,
} from "./harness.js";

const phone = sharedPhone();

const shownKeys = (page) =>
  page
    .locator("#page .cell[data-key]")
    .evaluateAll((nodes) => nodes.filter((n) => !n.hidden).map((n) => n.dataset.key));

test("the state row switches the page between the enabled and the disabled colours", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  const switcher = keyed(page, "switchState");
  assert.equal(await switcher.getAttribute("data-title"), "Colors for Enabled State");
  const enabled = await shownKeys(page);
  assert.ok(enabled.includes("wifiEnabled") && enabled.includes("connectivityModeEnabled"));
  assert.ok(!enabled.some((k) => k.includes("Disabled")), `disabled rows shown: ${enabled}`);

  await act(session, () => switcher.click());
  await eventually(
    async () =>
      (await keyed(page, "switchState").getAttribute("data-title")) === "Colors for Disabled State",
    "the disabled state's title",
  );
  const disabled = await shownKeys(page);
  for (const key of [
    "airplaneDisabled",
    "wifiGlyphDisabled",
    "hotspotDisabled",
    "connectivityModeEnabled",
  ]) {
    assert.ok(disabled.includes(key), `${key} missing from ${disabled}`);
  }
  assert.ok(
    !disabled.some((k) => k.includes("Enabled") && k !== "connectivityModeEnabled"),
    `${disabled}`,
  );
  assert.equal(
    await keyed(page, "switchState").locator(".cell-title").textContent(),
    "Colors for Disabled State",
  );

  // Every fresh opening starts on the enabled state again.
  await back(session, "Quillane");
  await tapRow(session, "Connectivity", "Connectivity");
  assert.equal(
    await keyed(page, "switchState").getAttribute("data-title"),
    "Colors for Enabled State",
  );
});

const TOGGLE_TITLES = {
  CCUIConnectivityAirplaneViewController: "Airplane Mode",
  CCUIConnectivityCellularDataViewController: "Cellular Data",
  CCUIConnectivityWifiViewController: "WiFi",
  CCUIConnectivityBluetoothViewController: "Bluetooth",
  CCUIConnectivityAirDropViewController: "AirDrop",
  CCUIConnectivityHotspotViewController: "Personal Hotspot",
};

async function storedOrder(session) {
  const settings = await session.settings();
  return [0, 1, 2, 3, 4, 5].map((i) => settings[`connectivityPosition${i}`]);
}

const movableTitles = (page) =>
  page.locator("#page .cell.movable").evaluateAll((nodes) => nodes.map((n) => n.dataset.title));

test("dragging the first toggle's handle below the last moves it to the end of the stored order", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await tapRow(session, "Rearrange Toggles");
  await eventually(
    async () => (await page.locator("#page .cell.movable").count()) === 6,
    "six toggle rows",
  );
  assert.equal(await page.locator("[data-testid=nav-right]").textContent(), "Respring");

  const order = await storedOrder(session);
  assert.deepEqual(
    await movableTitles(page),
    order.map((c) => TOGGLE_TITLES[c]),
  );
  const persistentBefore = await session.persistent();

  const rows = page.locator("#page .cell.movable");
  const handle = rows.first().locator(".reorder-handle");
  await stillOnScreen(page);
  const from = await handle.boundingBox();
  const last = await rows.last().boundingBox();
  await act(session, async () => {
    await page.mouse.move(from.x + from.width / 2, from.y + from.height / 2);
    await page.mouse.down();
    await page.mouse.move(from.x + from.width / 2, last.y + last.height * 0.9, { steps: 12 });
    await page.mouse.up();
  });

  const expected = [...order.slice(1), order[0]];
  await eventually(
    async () => JSON.stringify(await storedOrder(session)) === JSON.stringify(expected),
    "the new order in the file",
  );
  assert.deepEqual(
    await movableTitles(page),
    expected.map((c) => TOGGLE_TITLES[c]),
  );
  // Saving the order marks nothing unsaved.
  assert.deepEqual(await session.persistent(), persistentBefore);

  // The page built again reads the new order back.
  await back(session, "Connectivity");
  await tapRow(session, "Rearrange Toggles");
  await eventually(
    async () => (await page.locator("#page .cell.movable").count()) === 6,
    "six toggle rows",
  );
  assert.deepEqual(
    await movableTitles(page),
    expected.map((c) => TOGGLE_TITLES[c]),
  );
});

// The handle's focus ring as drawn, and the boxes of the ancestors that clip it.
function ringAndClips(handle) {
  const style = getComputedStyle(handle);
  const grow = parseFloat(style.outlineOffset) + parseFloat(style.outlineWidth);
  const r = handle.getBoundingClientRect();
  const ring = {
    left: r.left - grow,
    top: r.top - grow,
    right: r.right + grow,
    bottom: r.bottom + grow,
  };
  const clips = [];
  for (let n = handle.parentElement; n; n = n.parentElement) {
    const s = getComputedStyle(n);
    if (s.overflowX !== "visible" || s.overflowY !== "visible") {
      const b = n.getBoundingClientRect();
      clips.push({
        className: n.className,
        left: b.left,
        top: b.top,
        right: b.right,
        bottom: b.bottom,
      });
    }
  }
  return { focused: handle.matches(":focus-visible"), outline: style.outlineStyle, ring, clips };
}

test("every reorder handle takes keyboard focus with its whole ring in view", async (t) => {
  const session = await phone.start(t);
  const { page } = session;
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await tapRow(session, "Rearrange Toggles");
  await eventually(
    async () => (await page.locator("#page .cell.movable").count()) === 6,
    "six toggle rows",
  );
  await stillOnScreen(page);
  const handles = page.locator("#page .reorder-handle");
  // first, a middle one and last: the card's corners clip the first and the last
  for (const i of [0, 2, 5]) {
    await handles.nth(i).focus();
    // Arrive by the keyboard, as the ring is drawn for keyboard focus only.
    await page.keyboard.press("Shift+Tab");
    await page.keyboard.press("Tab");
    const { focused, outline, ring, clips } = await handles.nth(i).evaluate(ringAndClips);
    assert.ok(focused && outline !== "none", `handle ${i} shows a focus ring`);
    for (const clip of clips) {
      const inside =
        ring.left >= clip.left &&
        ring.top >= clip.top &&
        ring.right <= clip.right &&
        ring.bottom <= clip.bottom;
      assert.ok(
        inside,
        `handle ${i}'s ring ${JSON.stringify(ring)} passes the edge of ${JSON.stringify(clip)}`,
      );
    }
  }
});
