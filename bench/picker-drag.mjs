// The live preview in Chromium: from a pointer move in the picker's square to
// the new style of the part of the picture it colours, over a drag of many
// moves, one move a frame as a real drag delivers them. Prints the times.
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '..', 'tests', 'browser', 'package.json'));
const { chromium } = require('playwright-core');

const [url, movesText] = process.argv.slice(2);
const moves = Math.max(200, Number(movesText || 240));
const browser = await chromium.launch({
  executablePath: process.env.QLN_CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
let times;
try {
  const page = await browser.newPage({ viewport: { width: 1200, height: 900 } });
  await page.goto(url, { waitUntil: 'load' });
  await page.locator('#preview .cc-toggle').first().waitFor();
  // A fresh device: the bundle opens on its greeting.
  await page.locator('[data-testid=open-bundle]').click();
  await page.locator('#modal button', { hasText: 'OK' }).click();
  await page.locator('#page .cell[data-title="Connectivity"]').first().click();
  await page.locator('#page .cell[data-key="wifiEnabled"]').click();
  await page.locator('[data-testid=picker-square]').waitFor();
  await page.waitForTimeout(500);
  times = await page.evaluate((count) => new Promise((resolve) => {
    const square = document.querySelector('[data-testid=picker-square]');
    const wifi = document.querySelector('#preview .cc-toggle[data-name="wifi"]');
    const box = square.getBoundingClientRect();
    square.setPointerCapture = () => {};
    const at = (type, i) => square.dispatchEvent(new PointerEvent(type, {
      bubbles: true, isPrimary: true, button: 0, pointerId: 1,
      clientX: box.left + box.width * (0.1 + 0.8 * ((i * 7) % count) / count),
      clientY: box.top + box.height * (0.1 + 0.8 * ((i * 13) % count) / count),
    }));
    at('pointerdown', 0);
    const spent = [];
    let last = getComputedStyle(wifi).backgroundColor;
    const step = (i) => {
      if (i > count) {
        at('pointerup', i);
        resolve(spent);
        return;
      }
      const start = performance.now();
      at('pointermove', i);
      const now = getComputedStyle(wifi).backgroundColor; // the restyle, forced
      spent.push(now === last ? -1 : performance.now() - start);
      last = now;
      requestAnimationFrame(() => step(i + 1));
    };
    requestAnimationFrame(() => step(1));
  }), moves);
} finally {
  await browser.close();
}
const measured = times.filter((t) => t >= 0);
const sorted = [...measured].sort((a, b) => a - b);
const at = (q) => sorted[Math.min(sorted.length - 1, Math.ceil(q * sorted.length) - 1)];
console.log(JSON.stringify({ moves: times.length, restyled: measured.length, median_ms: at(0.5), p95_ms: at(0.95), max_ms: sorted.at(-1) }));
