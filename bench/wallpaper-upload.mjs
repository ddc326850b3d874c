// A wallpaper in Chromium: from a 12-megapixel JPEG dropped onto the picture to
// the picture drawn over it (the upload, the server's decode, the display copy
// loaded as the picture's background, and the frame that paints it), over
// several uploads. The photo is made once in the browser and kept in the
// results folder. Prints the times.
import { createRequire } from 'node:module';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '..', 'tests', 'browser', 'package.json'));
const { chromium } = require('playwright-core');

const [url, runsText, folder = '.'] = process.argv.slice(2);
const runs = Math.max(10, Number(runsText || 15));
const photo = path.join(folder, 'wallpaper-12mp.jpg');
const browser = await chromium.launch({
  executablePath: process.env.QLN_CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});

// 4000 × 3000: smooth ramps, soft blotches of colour and a camera's fine grain, so that the
// encoder compresses it as it would a photograph (a few megabytes).
async function makePhoto(page) {
  const base64 = await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(4000, 3000);
    const g = canvas.getContext('2d');
    const ramp = g.createLinearGradient(0, 0, 4000, 3000);
    ramp.addColorStop(0, '#1e3c72');
    ramp.addColorStop(0.5, '#d9a066');
    ramp.addColorStop(1, '#2a5298');
    g.fillStyle = ramp;
    g.fillRect(0, 0, 4000, 3000);
    for (let i = 0; i < 40; i++) {
      const x = (i * 977) % 4000;
      const y = (i * 613) % 3000;
      const blotch = g.createRadialGradient(x, y, 0, x, y, 300 + (i % 7) * 60);
      blotch.addColorStop(0, `hsla(${(i * 37) % 360}, 70%, 55%, 0.6)`);
      blotch.addColorStop(1, 'hsla(0, 0%, 0%, 0)');
      g.fillStyle = blotch;
      g.fillRect(0, 0, 4000, 3000);
    }
    const pixels = g.getImageData(0, 0, 4000, 3000);
    let seed = 1;
    for (let i = 0; i < pixels.data.length; i += 4) {
      seed = (seed * 1103515245 + 12345) & 0x7fffffff;
      const grain = (seed % 25) - 12;
      pixels.data[i] += grain;
      pixels.data[i + 1] += grain;
      pixels.data[i + 2] += grain;
    }
    g.putImageData(pixels, 0, 0);
    const blob = await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.92 });
    const bytes = new Uint8Array(await blob.arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
  });
  writeFileSync(photo, Buffer.from(base64, 'base64'));
}

let times;
let bytes;
try {
  const page = await browser.newPage({ viewport: { width: 1200, height: 900 } });
  await page.goto(url, { waitUntil: 'load' });
  await page.locator('#preview .cc-toggle').first().waitFor();
  if (!existsSync(photo)) await makePhoto(page);
  const jpeg = readFileSync(photo);
  bytes = jpeg.length;
  await page.evaluate((base64) => {
    window.benchPhoto = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
  }, jpeg.toString('base64'));
  times = [];
  for (let i = 0; i < runs; i++) {
    times.push(await page.evaluate(async (run) => {
      const screen = document.querySelector('[data-testid=preview-screen]');
      const layer = document.querySelector('#preview .cc-wallpaper');
      const before = layer.style.background;
      performance.clearResourceTimings();
      const file = new File([window.benchPhoto], `photo${run}.jpg`, { type: 'image/jpeg' });
      const data = new DataTransfer();
      data.items.add(file);
      let start = performance.now();
      for (const type of ['dragenter', 'dragover', 'drop'])
        screen.dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: data }));
      // Replacing a wallpaper asks first: the clock starts at the answer, as for a user.
      const replace = document.querySelector('[data-testid=wallpaper-confirm] [data-action-title="Replace"]');
      if (replace) {
        start = performance.now();
        replace.click();
      }
      // The picture names the new display copy ...
      const address = await new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error('no wallpaper within 30 s')), 30000);
        const watch = new MutationObserver(() => {
          const found = /url\("?([^")]+)"?\)/.exec(layer.style.background);
          if (layer.style.background === before || !found) return;
          watch.disconnect();
          clearTimeout(timer);
          resolve(new URL(found[1], location.href).href);
        });
        watch.observe(layer, { attributes: true, attributeFilter: ['style'] });
      });
      // ... which loads as its background ...
      await new Promise((resolve) => {
        const loaded = () => performance.getEntriesByName(address).some((e) => e.responseEnd > 0);
        if (loaded()) return resolve();
        const watch = new PerformanceObserver(() => {
          if (!loaded()) return;
          watch.disconnect();
          resolve();
        });
        watch.observe({ type: 'resource' });
      });
      // ... and the next frame paints it.
      await new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
      return performance.now() - start;
    }, i));
  }
} finally {
  await browser.close();
}
const sorted = [...times].sort((a, b) => a - b);
const at = (q) => sorted[Math.min(sorted.length - 1, Math.ceil(q * sorted.length) - 1)];
console.log(JSON.stringify({ photo_bytes: bytes, runs: times, p50_ms: at(0.5), p95_ms: at(0.95), max_ms: sorted.at(-1) }));
