// Shared set-up of the browser tests: a fresh simulated device, the real
// `quillane serve` on it, and Debian's Chromium driven headless through
// playwright-core. Every wait here is bounded.
//
// A test file begins with `const phone = sharedPhone();` (one browser for its
// tests) and each test with `const session = await phone.start(t, options);`
// (its own device, server and page, undone after the test).

import { spawn, execFile } from "node:child_process";
import { mkdtemp, mkdir, readFile, rm } from "node:fs/promises";
import { existsSync, readFileSync } from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { promisify } from "node:util";
import { after, before } from "node:test";
import { chromium } from "playwright-core";
import { parsePlist } from "./plist.js";

const here = path.dirname(fileURLToPath(import.meta.url));
export const repoRoot = path.resolve(here, "../..");
export const exe = process.env.QUILLANE_EXE || path.resolve(here, "../../build/src/quillane");
export const screenshotDir =
  process.env.QLN_SCREENSHOT_DIR || path.join(repoRoot, "build", "screenshots");

const CHROMIUM = process.env.QLN_CHROMIUM || "/usr/bin/chromium";
const CHROMIUM_ARGS = [
  "--no-sandbox",
  "--disable-gpu",
  "--disable-quic",
  "--no-first-run",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
];
const START_TIMEOUT_MS = 15000;
const STOP_TIMEOUT_MS = 8000;
export const STEP_TIMEOUT_MS = 10000;

// The window sizes the tests use: a phone's, where the settings and the
// picture are on tabs of their own, and two where they are side by side.
export const SIZES = {
  phone: { width: 390, height: 844 },
  wide: { width: 1200, height: 900 },
  desktop: { width: 1280, height: 900 },
};

const run = promisify(execFile);

export const SETTINGS = "var/mobile/Library/Preferences/com.tarrowvine.quillane.plist";
export const PERSISTENT = "var/mobile/Library/Preferences/com.tarrowvine.quillane.persistent.plist";
export const PRESETS_DIR = "var/mobile/Library/Preferences/com.tarrowvine.quillane.presets";

// The project's version, from its one source (cmake/Version.cmake).
export function projectVersion() {
  const text = readFileSync(path.join(repoRoot, "cmake", "Version.cmake"), "utf8");
  const match = /set\s*\(\s*QLN_VERSION\s+([0-9.]+)\s*\)/.exec(text);
  return match ? match[1] : null;
}

// ---- waiting -----------------------------------------------------------

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `probe` until it answers something truthy; fails with `what` after
// `timeout` ms, naming the last answer.
export async function eventually(probe, what, timeout = STEP_TIMEOUT_MS) {
  const deadline = Date.now() + timeout;
  let last;
  for (;;) {
    try {
      last = await probe();
      if (last) return last;
    } catch (error) {
      last = error;
    }
    if (Date.now() > deadline) {
      const shown = last instanceof Error ? last.message : JSON.stringify(last);
      throw new Error(`timed out waiting for ${what} (last: ${shown})`);
    }
    await sleep(50);
  }
}

// ---- the server ----------------------------------------------------------

async function startServer(root) {
  const child = spawn(exe, ["serve", "--root", root, "--port", "0"], {
    stdio: ["ignore", "pipe", "pipe"],
  });
  let stderr = "";
  child.stderr.on("data", (d) => (stderr += d));
  const url = await new Promise((resolve, reject) => {
    let out = "";
    const timer = setTimeout(
      () => fail(new Error("no address within the start timeout")),
      START_TIMEOUT_MS,
    );
    function fail(error) {
      clearTimeout(timer);
      child.kill("SIGKILL");
      reject(new Error(`quillane serve: ${error.message}\n${stderr}`));
    }
    child.once("error", fail);
    child.once("exit", (code, signal) =>
      fail(new Error(`exited (${code ?? signal}) before printing its address`)),
    );
    child.stdout.on("data", (d) => {
      out += d;
      const line = out.split("\n")[0];
      if (!out.includes("\n")) return;
      const match = /Quillane settings: (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+)$/.exec(line);
      clearTimeout(timer);
      child.removeAllListeners("exit");
      if (match) resolve(match[1]);
      else fail(new Error(`unexpected first line ${JSON.stringify(line)}`));
    });
  });
  child.stdout.resume();
  return { child, url, stderr: () => stderr };
}

// Ends the server as a user does; null when it exited cleanly, else how it
// ended. A fault on the way out shows only in the exit status. A server that
// outlives the stop timeout is killed and not judged.
async function stopServer(child) {
  let killed = false;
  if (child.exitCode === null && child.signalCode === null) {
    const exited = new Promise((resolve) => child.once("exit", resolve));
    child.kill("SIGTERM");
    const timer = setTimeout(() => {
      killed = true;
      child.kill("SIGKILL");
    }, STOP_TIMEOUT_MS);
    await exited;
    clearTimeout(timer);
  }
  if (killed || child.exitCode === 0) return null;
  return `quillane serve ended with ${child.exitCode ?? child.signalCode}`;
}

// ---- the browser ---------------------------------------------------------

export function launchBrowser() {
  return chromium.launch({
    executablePath: CHROMIUM,
    args: CHROMIUM_ARGS,
    timeout: START_TIMEOUT_MS,
  });
}

// Counts the events the page has sent and not yet had answered, so a step
// can wait until the host has handled everything the user did.
function trackEvents(page) {
  const state = { pending: 0, done: 0 };
  const isEvent = (request) => request.method() === "POST" && request.url().endsWith("/api/event");
  page.on("request", (r) => isEvent(r) && state.pending++);
  const finish = (r) => {
    if (!isEvent(r)) return;
    state.pending--;
    state.done++;
  };
  page.on("requestfinished", finish);
  page.on("requestfailed", finish);
  return state;
}

// A phone-sized page in its own browser. Opening a page is the slow part of
// a start, so the tests of one file share one and give each test its own
// device and server (another origin, so nothing of the page carries over).
export async function openPhone({ colorScheme = "light" } = {}) {
  const browser = await launchBrowser();
  try {
    const context = await browser.newContext({
      viewport: SIZES.phone,
      deviceScaleFactor: 2,
      colorScheme,
    });
    context.setDefaultTimeout(STEP_TIMEOUT_MS);
    const page = await context.newPage();
    const events = trackEvents(page);
    const errors = [];
    page.on("pageerror", (e) => errors.push(e.message));
    // Servers still shutting down; the next test need not wait for them, but
    // the file fails if one of them ended badly.
    const stopping = [];
    const badEndings = [];
    const close = async () => {
      await browser.close();
      await Promise.all(stopping);
      if (badEndings.length > 0) throw new Error(badEndings.join("\n"));
    };
    return { browser, context, page, events, errors, stopping, badEndings, close };
  } catch (error) {
    await browser.close();
    throw error;
  }
}

// One device and its server, shown in `phone`; `close()` undoes them.
// options: init (extra `device init` arguments), clipboard (grant access),
// size (of the window: a name of SIZES or {width, height}; the phone's by
// default), picture (wait until the Control Center picture is drawn).
export async function startSession(t, phone, options = {}) {
  await phone.page.setViewportSize(SIZES[options.size ?? "phone"] ?? options.size);
  const dir = await mkdtemp(path.join(os.tmpdir(), "qln-browser-"));
  const root = path.join(dir, "device");
  const session = {
    dir,
    root,
    server: null,
    page: phone.page,
    context: phone.context,
    events: phone.events,
  };
  session.close = async () => {
    // Leave the page first, so its event stream lets go of the server. The
    // server lingers over the browser's idle connections before it exits;
    // the phone's close waits for that, the next test does not.
    await phone.page.goto("about:blank").catch(() => {});
    const server = session.server;
    const stopped = (server ? stopServer(server.child) : Promise.resolve(null))
      .then((badEnding) => badEnding && phone.badEndings.push(badEnding))
      .finally(() => rm(dir, { recursive: true, force: true }));
    phone.stopping.push(stopped);
  };
  t?.after?.(() => session.close());
  try {
    await run(exe, ["device", "init", "--root", root, ...(options.init ?? [])], {
      timeout: START_TIMEOUT_MS,
    });
    session.server = await startServer(root);
    session.url = session.server.url;
    session.origin = new URL(session.url).origin;
    if (options.clipboard) {
      await phone.context.grantPermissions(["clipboard-read", "clipboard-write"], {
        origin: session.origin,
      });
    }
    phone.errors.length = 0;
    session.errors = phone.errors;
    await phone.page.goto(session.url, { waitUntil: "load" });
    await phone.page.locator("[data-testid=open-bundle]").waitFor();
    if (options.picture) await picture(phone.page);
  } catch (error) {
    await session.close();
    await Promise.all(phone.stopping);
    throw error;
  }
  session.file = (relative) => path.join(root, relative);
  session.readPlist = async (relative) =>
    parsePlist(await readFile(session.file(relative), "utf8"));
  session.settings = () => session.readPlist(SETTINGS);
  session.persistent = () => session.readPlist(PERSISTENT);
  session.exists = (relative) => existsSync(session.file(relative));
  return session;
}

// The tests of one file share one phone, opened before the first and closed
// after the last; `start(t, options)` gives a test its own device on it (see
// startSession).
export function sharedPhone(look = {}) {
  let phone = null;
  before(async () => {
    phone = await openPhone(look);
  });
  after(async () => {
    await phone?.close();
  });
  return {
    get page() {
      return phone.page;
    },
    get context() {
      return phone.context;
    },
    start: (t, options) => startSession(t, phone, options),
  };
}

// A phone of the test's own, in `look` (see openPhone), with a device on it;
// both are closed after the test, the device first.
export async function startOwnPhone(t, look = {}, options = {}) {
  const phone = await openPhone(look);
  let session = null;
  t.after(async () => {
    await session?.close();
    await phone.close();
  });
  session = await startSession(null, phone, options);
  return { phone, session };
}

// ---- steps in the page -----------------------------------------------------

// Waits until every event the page sent has been answered and nothing new
// was sent for a moment (the page redraws in the same task as the answer).
export async function settled(session) {
  const { events } = session;
  let quietSince = Date.now();
  let seen = events.done;
  await eventually(() => {
    if (events.pending > 0 || events.done !== seen) {
      seen = events.done;
      quietSince = Date.now();
      return false;
    }
    return Date.now() - quietSince >= 80;
  }, "the page's events to be answered");
}

// Performs `action`, then waits for the events it caused to be answered.
export async function act(session, action) {
  const before = session.events.done;
  await action();
  await eventually(() => session.events.done > before, "the host to answer the user's event");
  await settled(session);
}

export const pageTitle = (page) => page.locator("#page-title");
export const modal = (page) => page.locator("#modal");
export const cell = (page, title) => page.locator(`#page .cell[data-title="${title}"]`).first();
export const keyed = (page, key) => page.locator(`#page .cell[data-key="${key}"]`);
export const detailOf = (row) => row.locator(".cell-detail");

// Waits until the Control Center picture shows its six toggles.
export async function picture(page) {
  await eventually(
    async () => (await page.locator("#preview .cc-toggle").count()) === 6,
    "six toggles drawn",
  );
}

export async function waitForTitle(page, title) {
  await page.waitForFunction(
    (t) => document.getElementById("page-title")?.textContent === t,
    title,
    { timeout: STEP_TIMEOUT_MS },
  );
}

// The presented alert or action sheet with this title.
export async function waitForAlert(page, title) {
  const heading = page.locator("#modal .alert-title", { hasText: title });
  await heading.first().waitFor();
  await page.waitForFunction(
    (t) => [...document.querySelectorAll("#modal .alert-title")].some((n) => n.textContent === t),
    title,
    { timeout: STEP_TIMEOUT_MS },
  );
  return page.locator("#modal");
}

export async function waitForNoModal(page) {
  await page.waitForFunction(() => document.getElementById("modal")?.hidden === true, null, {
    timeout: STEP_TIMEOUT_MS,
  });
}

// Chooses a button of the presented alert or sheet.
export async function choose(session, title, texts = null) {
  const { page } = session;
  if (texts) {
    for (const [i, text] of texts.entries())
      await page.locator(`[data-testid="alert-field-${i}"]`).fill(text);
  }
  await act(session, () => page.locator(`#modal button[data-action-title="${title}"]`).click());
}

// Taps the Settings app's entry and dismisses the first-run greeting.
export async function openBundle(session, { welcome = true } = {}) {
  const { page } = session;
  await act(session, () => page.locator("[data-testid=open-bundle]").click());
  await waitForTitle(page, "Quillane");
  if (!welcome) return;
  await waitForAlert(page, "Welcome");
  await choose(session, "OK");
  await waitForNoModal(page);
}

// Taps a row (a link row pushes its page, whose title is `expectTitle`).
export async function tapRow(session, title, expectTitle = null) {
  await act(session, () => cell(session.page, title).click());
  if (expectTitle) await waitForTitle(session.page, expectTitle);
}

export async function back(session, expectTitle) {
  await act(session, () => session.page.locator("[data-testid=nav-back]").click());
  await waitForTitle(session.page, expectTitle);
}

// Holds the mouse on a row past the 1.0 s long press, then releases it.
export async function longPress(session, row, holdMs = 1200) {
  const { page } = session;
  await row.scrollIntoViewIfNeeded();
  const box = await row.boundingBox();
  if (!box) throw new Error("the row to press is not shown");
  await act(session, async () => {
    await page.mouse.move(box.x + box.width / 3, box.y + box.height / 2);
    await page.mouse.down();
    await sleep(holdMs);
    await page.mouse.up();
  });
}

export async function waitForPicker(page) {
  await page.locator('#modal[data-modal-style="picker"] [data-testid=picker-done]').waitFor();
  await stillOnScreen(page);
}

// Sheets slide up and pages slide in: a position measured before they settle misses its target.
export async function stillOnScreen(page) {
  await page.waitForFunction(
    () => document.getAnimations().every((a) => a.playState !== "running"),
    null,
    { timeout: STEP_TIMEOUT_MS },
  );
}

// Types a colour value into the open picker's hex field and commits it.
export async function typeHex(session, value) {
  const hex = session.page.locator("[data-testid=picker-hex]");
  await hex.click();
  await hex.fill(value);
  await act(session, () => hex.press("Enter"));
}

export async function closePicker(session) {
  await act(session, () => session.page.locator("[data-testid=picker-done]").click());
  await waitForNoModal(session.page);
}

// The CSS colour of a row's swatch, or null when it is hidden.
export async function swatchColour(row) {
  return row
    .locator(".swatch")
    .evaluate((n) =>
      n.classList.contains("swatch-hidden") ? null : getComputedStyle(n).backgroundColor,
    );
}

export async function screenshot(page, name) {
  await mkdir(screenshotDir, { recursive: true });
  // Let transitions (push, fade, sheet) finish before the picture.
  await page.evaluate(() =>
    Promise.race([
      Promise.all(document.getAnimations().map((a) => a.finished.catch(() => {}))),
      new Promise((resolve) => setTimeout(resolve, 2000)),
    ]),
  );
  await page.screenshot({ path: path.join(screenshotDir, `${name}.png`) });
}
