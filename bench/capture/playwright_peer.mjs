// The peer: a Playwright full-page screenshot of the same page with the same Chromium, written
// as JPEG at the window's quality, timed from the browser's launch to its close. Prints
// "<milliseconds> <width> <height>".
import { chromium } from 'playwright-core';
import { readFileSync } from 'node:fs';

const [, , url, output, quality = '100'] = process.argv;
const start = performance.now();
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic', '--hide-scrollbars'],
});
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
await page.goto(url, { waitUntil: 'load' });
await page.screenshot({ path: output, type: 'jpeg', quality: Number(quality), fullPage: true });
await browser.close();
const milliseconds = performance.now() - start;

// The frame header (SOF0..SOF3) holds the height and width, big-endian, after its precision.
function jpegSize(bytes) {
  for (let at = 2; at + 9 < bytes.length;) {
    const marker = bytes[at + 1];
    const length = bytes.readUInt16BE(at + 2);
    if (marker >= 0xc0 && marker <= 0xc3) return [bytes.readUInt16BE(at + 7), bytes.readUInt16BE(at + 5)];
    at += 2 + length;
  }
  return [0, 0];
}
const [width, height] = jpegSize(readFileSync(output));
console.log(`${Math.round(milliseconds)} ${width} ${height}`);
