// The phone's page, on another host of a local network: the desktop's browser drags in the
// picker, and the phone's browser (in a network namespace of its own, reached over a veth pair)
// restyles its picture. From each pointer move on the desktop to the phone's picture in the
// new colour, on one clock (both browsers run on this machine). Then the phone page's first
// paint and the bytes it transfers, in Chromium's iPhone emulation. Prints the figures.
//
//   node phone-follow.mjs DESKTOP_ADDRESS PHONE_ADDRESS MOVES PHONE_CHROMIUM
//
// PHONE_CHROMIUM starts Chromium inside the phone's namespace (scripts/bench.sh makes it).
import http from "node:http";
import { createRequire } from "node:module";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "..", "tests", "browser", "package.json"));
const { chromium, devices } = require("playwright-core");

const [desktopUrl, phoneUrl, movesText, phoneChromium] = process.argv.slice(2);
const moves = Number(movesText || 120);
const args = [
  "--no-sandbox",
  "--disable-gpu",
  "--disable-quic",
  "--no-first-run",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
];
const desktopBrowser = await chromium.launch({ executablePath: "/usr/bin/chromium", args });
const phoneBrowser = await chromium.launch({ executablePath: phoneChromium, args });

// The phone page loaded afresh: first contentful paint and every byte it took.
async function phoneLoad() {
  const context = await phoneBrowser.newContext({ ...devices["iPhone 13"] });
  const page = await context.newPage();
  await page.goto(phoneUrl, { waitUntil: "load" });
  await page.locator("body[data-ready=true]").waitFor();
  const figures = await page.evaluate(() => {
    const paint = performance.getEntriesByName("first-contentful-paint")[0];
    const entries = [
      ...performance.getEntriesByType("navigation"),
      ...performance.getEntriesByType("resource"),
    ];
    return {
      fcp_ms: paint ? paint.startTime : null,
      bytes: entries.reduce((sum, e) => sum + (e.transferSize || 0), 0),
      requests: entries.length,
    };
  });
  await context.close();
  return figures;
}

// The server's and the network's share alone, with both browsers closed: picks posted as the
// desktop posts them (the session's picker is still open), each timed until the phone's event
// stream, read here with the view cookie, carries a picture in its colour.
async function serverShare(count) {
  const desk = new URL(desktopUrl);
  const phoneAddress = new URL(phoneUrl);
  const shared = await fetch(phoneAddress, { redirect: "manual" });
  const cookie = shared.headers.get("set-cookie").split(";")[0];
  let buffer = "";
  let waiting = null;
  const stream = http.get(
    new URL("/api/stream", phoneAddress),
    { headers: { Cookie: cookie, Accept: "text/event-stream" } },
    (response) =>
      response.on("data", (chunk) => {
        buffer += chunk;
        for (let end; (end = buffer.indexOf("\n\n")) >= 0; buffer = buffer.slice(end + 2))
          if (waiting && buffer.slice(0, end).includes(waiting.colour)) waiting.arrived();
      }),
  );
  const delays = [];
  for (let i = 0; i < count; i++) {
    const level = (16 + i).toString(16).toUpperCase();
    const colour = `#${level}80${level}`;
    const arrived = new Promise((resolve) => (waiting = { colour, arrived: resolve }));
    const at = performance.now();
    await fetch(new URL("/api/event", desk), {
      method: "POST",
      headers: {
        Authorization: `Bearer ${desk.searchParams.get("token")}`,
        "Content-Type": "application/json",
        Origin: desk.origin,
      },
      body: JSON.stringify({ event: "pick", color: `${colour}:1.000000` }),
    });
    await arrived;
    delays.push(performance.now() - at);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  stream.destroy();
  return delays;
}

let result;
try {
  const loads = [];
  for (let i = 0; i < 5; i++) loads.push(await phoneLoad());

  const desk = await desktopBrowser.newPage({ viewport: { width: 1280, height: 900 } });
  // When each pick leaves the desktop, with its colour value, on the shared clock.
  await desk.addInitScript(() => {
    window.picks = [];
    const send = window.fetch.bind(window);
    window.fetch = (url, init) => {
      const body = typeof init?.body === "string" ? init.body : "";
      if (body.includes('"pick"'))
        window.picks.push({
          value: JSON.parse(body).color,
          at: performance.timeOrigin + performance.now(),
        });
      return send(url, init);
    };
  });
  await desk.goto(desktopUrl, { waitUntil: "load" });
  await desk.locator("[data-testid=open-bundle]").click();
  await desk.locator("#modal button", { hasText: "OK" }).click();
  await desk.locator('#page .cell[data-title="Connectivity"]').first().click();
  await desk.locator('#page .cell[data-key="wifiEnabled"]').click();
  await desk.locator("[data-testid=picker-square]").waitFor();

  const phoneContext = await phoneBrowser.newContext({ ...devices["iPhone 13"] });
  const phone = await phoneContext.newPage();
  // When each pick (or picture) reaches the phone's page and when the page has drawn it, for
  // where the time goes.
  await phone.addInitScript(() => {
    window.arrivals = [];
    const listen = EventSource.prototype.addEventListener;
    EventSource.prototype.addEventListener = function (type, handler, ...rest) {
      if (type !== "preview" && type !== "pick") return listen.call(this, type, handler, ...rest);
      const timed = (event) => {
        const at = performance.timeOrigin + performance.now();
        handler(event);
        window.arrivals.push({ at, handled: performance.timeOrigin + performance.now() });
      };
      return listen.call(this, type, timed, ...rest);
    };
  });
  await phone.goto(phoneUrl, { waitUntil: "load" });
  await phone.locator("body[data-ready=true]").waitFor();
  // The phone notes when its Wi-Fi toggle takes each new colour, on the shared clock.
  await phone.evaluate(() => {
    window.seen = [];
    const wifi = document.querySelector('.cc-toggle[data-name="wifi"]');
    let last = getComputedStyle(wifi).backgroundColor;
    const watch = () => {
      const colour = getComputedStyle(wifi).backgroundColor;
      if (colour !== last) {
        window.seen.push({ colour, at: performance.timeOrigin + performance.now() });
        last = colour;
      }
      requestAnimationFrame(watch);
    };
    requestAnimationFrame(watch);
  });
  await desk.waitForTimeout(500);

  // One move a frame on the desktop; each noted with the colour the desktop then shows.
  const sent = await desk.evaluate(
    (count) =>
      new Promise((resolve) => {
        const square = document.querySelector("[data-testid=picker-square]");
        const wifi = document.querySelector('#preview .cc-toggle[data-name="wifi"]');
        const box = square.getBoundingClientRect();
        square.setPointerCapture = () => {};
        const at = (type, i) =>
          square.dispatchEvent(
            new PointerEvent(type, {
              bubbles: true,
              isPrimary: true,
              button: 0,
              pointerId: 1,
              clientX: box.left + box.width * (0.1 + (0.8 * ((i * 7) % count)) / count),
              clientY: box.top + box.height * (0.1 + (0.8 * ((i * 13) % count)) / count),
            }),
          );
        at("pointerdown", 0);
        const moves = [];
        const step = (i) => {
          if (i > count) {
            at("pointerup", i);
            resolve(moves);
            return;
          }
          const at0 = performance.timeOrigin + performance.now();
          at("pointermove", i);
          moves.push({ colour: getComputedStyle(wifi).backgroundColor, at: at0 });
          // Slow enough that each move's picture reaches the phone before the next one.
          setTimeout(() => requestAnimationFrame(() => step(i + 1)), 100);
        };
        requestAnimationFrame(() => step(1));
      }),
    moves,
  );
  await desk.waitForTimeout(1000);
  const seen = await phone.evaluate(() => window.seen);
  const picks = await desk.evaluate(() => window.picks);
  const arrivals = await phone.evaluate(() => window.arrivals);
  // The session keeps its picker open without them.
  await desktopBrowser.close();
  await phoneBrowser.close();
  const alone = await serverShare(60);
  // The desktop draws the picker's colour as it has it; the phone, as the server stored it in
  // bytes: the same colour within a step of a byte.
  const channels = (css) => (css.match(/[\d.]+/g) || []).slice(0, 3).map(Number);
  const same = (a, b) => channels(a).every((value, i) => Math.abs(value - channels(b)[i]) <= 1.5);
  const delays = [];
  for (const move of sent) {
    const arrived = seen.find((s) => s.at >= move.at && same(s.colour, move.colour));
    if (arrived) delays.push(arrived.at - move.at);
  }
  // From each pick sent to the phone's picture in its colour: the part the network, the
  // server and the phone take, without the desktop's own frame before it sends.
  const hex = (value) =>
    value
      .match(/^#([0-9A-F]{2})([0-9A-F]{2})([0-9A-F]{2})/i)
      .slice(1)
      .map((h) => parseInt(h, 16));
  const sendDelays = [];
  for (const pick of picks) {
    const rgb = `rgb(${hex(pick.value).join(", ")})`;
    const arrived = seen.find((s) => s.at >= pick.at && same(s.colour, rgb));
    if (arrived) sendDelays.push(arrived.at - pick.at);
  }
  const quantile = (values, share) => {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.min(sorted.length - 1, Math.ceil(share * sorted.length) - 1)];
  };
  // The stages of each move: until its pick leaves the desktop, until the phone's page has the
  // picture, the page's handling of it, and until its next frame shows it.
  const stages = { leave: [], reach: [], handle: [], show: [] };
  for (const move of sent) {
    const pick = picks.find((p) => p.at >= move.at);
    const arrival = pick && arrivals.find((a) => a.at >= pick.at);
    const shown = arrival && seen.find((s) => s.at >= arrival.handled);
    if (!shown) continue;
    stages.leave.push(pick.at - move.at);
    stages.reach.push(arrival.at - pick.at);
    stages.handle.push(arrival.handled - arrival.at);
    stages.show.push(shown.at - arrival.handled);
  }
  const stage = (values) => ({ median_ms: quantile(values, 0.5), p95_ms: quantile(values, 0.95) });
  const sorted = [...delays].sort((a, b) => a - b);
  const q = (share) => quantile(delays, share);
  const fcps = loads.map((l) => l.fcp_ms).sort((a, b) => a - b);
  result = {
    moves: sent.length,
    followed: delays.length,
    median_ms: q(0.5),
    p95_ms: q(0.95),
    max_ms: sorted.at(-1),
    picks: picks.length,
    pick_followed: sendDelays.length,
    pick_median_ms: quantile(sendDelays, 0.5),
    pick_p95_ms: quantile(sendDelays, 0.95),
    server_alone: stage(alone),
    stages: Object.fromEntries(Object.entries(stages).map(([name, v]) => [name, stage(v)])),
    fcp_median_ms: fcps[Math.floor(fcps.length / 2)],
    bytes: loads[0].bytes,
    requests: loads[0].requests,
  };
} finally {
  await desktopBrowser.close();
  await phoneBrowser.close();
}
console.log(JSON.stringify(result));
