// Time to first paint of the browser UI in Chromium: the Paint Timing API's
// first-contentful-paint, from the start of navigation, over fresh browser contexts.
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '..', 'tests', 'browser', 'package.json'));
const { chromium } = require('playwright-core');

const [address, runsText] = process.argv.slice(2);
// The server's secret travels as a header, so that each run measures the page itself rather than
// the redirect that turns the printed address into a cookie.
const { origin, searchParams } = new URL(address);
const url = `${origin}/`;
const extraHTTPHeaders = { Authorization: `Bearer ${searchParams.get('token')}` };
const runs = Number(runsText || 15);
const browser = await chromium.launch({
  executablePath: process.env.QLN_CHROMIUM || '/usr/bin/chromium',
  // As the browser tests start it: no sandbox (root), no GPU, nothing fetched in the background.
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const times = [];
try {
  for (let i = 0; i < runs; i++) {
    const context = await browser.newContext({ viewport: { width: 390, height: 844 }, extraHTTPHeaders });
    const page = await context.newPage();
    await page.goto(url, { waitUntil: 'load' });
    const fcp = await page.evaluate(() => new Promise((resolve) => {
      const seen = performance.getEntriesByName('first-contentful-paint');
      if (seen.length) return resolve(seen[0].startTime);
      new PerformanceObserver((list) => {
        const entry = list.getEntriesByName('first-contentful-paint')[0];
        if (entry) resolve(entry.startTime);
      }).observe({ type: 'paint', buffered: true });
    }));
    times.push(fcp);
    await context.close();
  }
} finally {
  await browser.close();
}
const sorted = [...times].sort((a, b) => a - b);
const median = sorted[Math.floor(sorted.length / 2)];
console.log(JSON.stringify({ runs: times, median_ms: median }));
