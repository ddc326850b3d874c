// Sharing with a phone, end to end: the QR code read back by zbarimg, the phone's page in
// Chromium's iPhone emulation on the local network address, the phone's picture following a
// drag on the desktop, and a theme copied there and imported through the bundle's own Import.
//
// The local network is one the test run makes for itself: tests/support/in-network-namespace.sh
// runs this file in a network namespace of its own with a veth pair on 192.0.2.0/24 (the
// documentation range) and says so in QLN_LAN_ADDRESS. Without it the test is skipped: it
// never listens on this machine's real addresses.

import { test } from "node:test";
import assert from "node:assert/strict";
import { execFile } from "node:child_process";
import { readFile, writeFile } from "node:fs/promises";
import path from "node:path";
import { promisify } from "node:util";
import { devices } from "playwright-core";
import {
  SETTINGS,
  PRESETS_DIR,
  act,
  eventually,
  exe,
  keyed,
  openBundle,
  sharedPhone,
  tapRow,
  waitForPicker,
} from "./harness.js";

const run = promisify(execFile);
const lan = process.env.QLN_LAN_ADDRESS;
const phone = sharedPhone();

// The text of the QR code drawn on the page, as a camera would read it.
async function scanCode(page, dir) {
  const file = path.join(dir, "qr.png");
  await page.getByTestId("phone-qr").screenshot({ path: file });
  const { stdout } = await run("zbarimg", ["--quiet", "--raw", file]);
  return stdout.trim();
}

// Drags in the open picker's square, as a pointer does, and answers the colour the desktop's
// own picture then shows on the Wi-Fi toggle.
async function dragPicker(page, step) {
  return page.evaluate((step) => {
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
    at(0.1, 0.1, "pointerdown");
    at(0.2 + step * 0.15, 0.15 + step * 0.05, "pointermove");
    at(0.2 + step * 0.15, 0.15 + step * 0.05, "pointerup");
    const wifi = document.querySelector('#preview .cc-toggle[data-name="wifi"]');
    return getComputedStyle(wifi).backgroundColor;
  }, step);
}

// A theme's exchange string, imported on a device of its own through `quillane script` as a
// user would on the phone (the pasteboard, the Presets page's Import, a name), then loaded.
async function importThroughScript(dir, exchange) {
  const root = path.join(dir, "other-phone");
  await run(exe, ["device", "init", "--root", root]);
  const events = [
    { event: "open" },
    { event: "alert", button: "OK" },
    { event: "tap", row: { title: "Presets" } },
    { event: "pasteboard", string: exchange },
    { event: "tap", row: { title: "Import Preset" } },
    { event: "alert", button: "Save", text: ["Carried"] },
    { event: "tap", row: { fileName: "Carried" } },
    { event: "alert", button: "Load" },
  ];
  const input = path.join(dir, "events.jsonl");
  await writeFile(input, events.map((e) => JSON.stringify(e)).join("\n") + "\n");
  const child = execFile(exe, ["script", "--root", root]);
  const output = new Promise((resolve, reject) => {
    let out = "";
    child.stdout.on("data", (d) => (out += d));
    child.once("exit", (code) => (code === 0 ? resolve(out) : reject(new Error(`script ${code}`))));
  });
  child.stdin.end(await readFile(input));
  const screens = (await output)
    .trim()
    .split("\n")
    .map((line) => JSON.parse(line));
  return { root, screens };
}

test("the phone sees the desktop's picture live and carries its theme home", async (t) => {
  if (!lan) {
    t.skip("needs the network namespace of tests/support/in-network-namespace.sh");
    return;
  }
  const session = await phone.start(t, { size: "desktop", picture: true });
  const { page, dir } = session;

  // Off until asked for; then a code of an address on the local network, with a view secret.
  await page.getByTestId("show-on-phone").click();
  const shown = await page.locator(".ps-address").inputValue();
  const scanned = await scanCode(page, dir);
  assert.equal(scanned, shown);
  assert.match(
    scanned,
    new RegExp(`^http://${lan.replace(/\./g, "\\.")}:\\d+/phone\\?view=[0-9a-f]{48}$`),
  );
  assert.doesNotMatch(scanned, /token=/);
  await page.getByRole("button", { name: "Done" }).click();

  // The phone's page, as an iPhone's browser opens it.
  const iphone = await phone.context.browser().newContext({ ...devices["iPhone 13"] });
  t.after(() => iphone.close());
  const handset = await iphone.newPage();
  await handset.goto(scanned);
  assert.equal(new URL(handset.url()).search, "", "the view secret leaves the address bar");
  await handset.locator("body[data-ready=true]").waitFor();
  const phoneWifi = handset.locator('.cc-toggle[data-name="wifi"]');

  // A drag on the desktop reaches the phone's picture while the picker is still open.
  await openBundle(session);
  await tapRow(session, "Connectivity", "Connectivity");
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  const phoneShows = async (colour, source) =>
    (await phoneWifi.evaluate((node) => getComputedStyle(node).backgroundColor)) === colour &&
    (await phoneWifi.getAttribute("data-source")) === source;
  let dragged;
  for (const step of [1, 2, 3]) {
    dragged = await dragPicker(page, step);
    await eventually(
      () => phoneShows(dragged, "pending"),
      `the phone's Wi-Fi toggle in the dragged colour ${dragged}`,
    );
  }
  await page.getByRole("button", { name: "Done" }).click();
  await eventually(
    async () => (await session.settings()).wifiEnabled !== undefined,
    "the picked colour stored",
  );
  await eventually(() => phoneShows(dragged, "stored"), "the phone shows the colour stored");
  // A drag cancelled goes back on the phone too.
  await act(session, () => keyed(page, "wifiEnabled").click());
  await waitForPicker(page);
  const cancelled = await dragPicker(page, 4);
  await eventually(() => phoneShows(cancelled, "pending"), "the phone follows the second drag");
  await page.keyboard.press("Escape");
  await eventually(() => phoneShows(dragged, "stored"), "the phone back at the colour stored");

  // Copy Theme on the phone, within the tap; what reached the clipboard is what was selected.
  await handset.evaluate(() => {
    const copy = document.execCommand.bind(document);
    document.execCommand = (command) => {
      window.copied = document.activeElement?.value ?? String(getSelection());
      return copy(command);
    };
  });
  await handset.getByRole("button", { name: "Copy Theme" }).click();
  const current = handset.getByRole("button", { name: "Current Settings" });
  await eventually(() => current.isEnabled(), "the current settings' string fetched");
  await current.click();
  const copied = await handset.evaluate(() => window.copied);
  const settingsBytes = await readFile(session.file(SETTINGS), "utf8");
  assert.equal(
    Buffer.from(copied, "base64").toString("utf8"),
    `Quillane:${settingsBytes}`,
    "the exchange string of the settings as the Presets page's Export makes it",
  );

  // Imported on another phone through the bundle's own Import, and loaded: the same file.
  const { root, screens } = await importThroughScript(dir, copied);
  assert.deepEqual(
    screens.filter((s) => s.error).map((s) => s.error),
    [],
  );
  assert.equal(
    await readFile(path.join(root, PRESETS_DIR, "Carried.plist"), "utf8"),
    settingsBytes,
  );
  assert.equal(await readFile(path.join(root, SETTINGS), "utf8"), settingsBytes);

  // A browser that refuses to copy shows the string to copy by hand.
  await handset.evaluate(() => (document.execCommand = () => false));
  await current.click();
  assert.equal(await handset.locator(".phone-sheet-field").inputValue(), copied);

  // Stopping ends the phone's view at once; a new sharing has a new secret.
  await page.getByTestId("show-on-phone").click();
  await page.getByRole("button", { name: "Stop Sharing" }).click();
  const refused = await handset.evaluate(() =>
    fetch("/api/preview").then(
      (r) => r.status,
      () => "closed",
    ),
  );
  assert.ok(refused === "closed" || refused === 401, `after stopping: ${refused}`);
  await page.getByTestId("show-on-phone").click();
  const again = await page.locator(".ps-address").inputValue();
  assert.notEqual(
    new URL(again).searchParams.get("view"),
    new URL(scanned).searchParams.get("view"),
  );
  assert.deepEqual(session.errors, []);
});
