// `quillane open` as a browser meets it: the browser is started on a page only the user can
// read, which hands a one-time code to the server; the code becomes the cookie, and the
// settings open without the secret ever in the browser's arguments or address bar.

import { test } from "node:test";
import assert from "node:assert/strict";
import { spawn, execFile } from "node:child_process";
import { mkdtemp, readFile, rm, writeFile, chmod } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { promisify } from "node:util";
import { eventually, exe, launchBrowser } from "./harness.js";

const run = promisify(execFile);

test("quillane open lets a browser in through a private page and a one-time code", async (t) => {
  const dir = await mkdtemp(path.join(os.tmpdir(), "qln-open-"));
  const env = {
    ...process.env,
    XDG_STATE_HOME: path.join(dir, "state"),
    XDG_RUNTIME_DIR: path.join(dir, "runtime"),
  };
  const root = path.join(dir, "device");
  await run(exe, ["device", "init", "--root", root], { env });
  const server = spawn(exe, ["serve", "--root", root], {
    env,
    stdio: ["ignore", "pipe", "ignore"],
  });
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    const exited = new Promise((resolve) => server.once("exit", resolve));
    server.kill("SIGTERM");
    await exited;
    await rm(dir, { recursive: true, force: true });
  });
  let printed = "";
  server.stdout.on("data", (d) => (printed += d));
  await eventually(() => printed.includes("\n"), "the server's address");

  const fakeBrowser = path.join(dir, "browser");
  await writeFile(fakeBrowser, `#!/bin/sh\nprintf '%s' "$1" > '${dir}/argument'\n`);
  await chmod(fakeBrowser, 0o700);
  await run(exe, ["open"], { env: { ...env, BROWSER: fakeBrowser } });
  const argument = await readFile(path.join(dir, "argument"), "utf8");
  const secret = (await readFile(path.join(dir, "state", "quillane", "token"), "utf8")).trim();
  assert.match(argument, /^file:\/\/.*\/open\.html$/);
  assert.ok(!argument.includes(secret));

  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(argument);
  await page.locator("[data-testid=open-bundle]").waitFor();
  const url = new URL(page.url());
  assert.equal(url.pathname, "/");
  assert.equal(url.search, "", "the code leaves the address bar");

  // The same page a second time: its code is spent.
  const late = await context.newPage();
  const answer = await late.goto(
    (await readFile(argument.slice("file://".length), "utf8")).match(/url=([^"]+)/)[1],
  );
  assert.equal(answer.status(), 401);
});
