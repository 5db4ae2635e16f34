// The peer: a Playwright full-page screenshot of the same page with the same Chromium, timed
// from the browser's launch to its close. Prints "<milliseconds> <width> <height>".
import { chromium } from 'playwright-core';
import { readFileSync } from 'node:fs';

const [, , url, output] = process.argv;
const start = performance.now();
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic', '--hide-scrollbars'],
});
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
await page.goto(url, { waitUntil: 'load' });
await page.screenshot({ path: output, fullPage: true });
await browser.close();
const milliseconds = performance.now() - start;

const png = readFileSync(output);  // IHDR: width and height, big-endian, at bytes 16 and 20
console.log(`${Math.round(milliseconds)} ${png.readUInt32BE(16)} ${png.readUInt32BE(20)}`);
