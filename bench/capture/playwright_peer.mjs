// The peer: a Playwright full-page screenshot of the same page with the same Chromium, written
// as JPEG at the window's quality, timed from the browser's launch to its close. Prints
// "<milliseconds> <width> <height> <milliseconds of the screenshot alone>".
// With --bands-only instead of an output file, the browser renders the page in the bands and
// form that our capture asks for, and it prints the milliseconds of those requests alone: what
// the browser itself spends on our image, with no Wine and none of our code.
import { chromium } from 'playwright-core';
import { readFileSync } from 'node:fs';

const [, , url, output, quality = '100'] = process.argv;
const bandRows = 4096;
// Our capture browser runs without the screenshot feature that Playwright switches on.
if (output === '--bands-only') process.env.PLAYWRIGHT_LEGACY_SCREENSHOT = '1';
const start = performance.now();
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic', '--hide-scrollbars'],
});
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
await page.goto(url, { waitUntil: 'load' });
if (output === '--bands-only') {
  const session = await page.context().newCDPSession(page);
  const { cssContentSize } = await session.send('Page.getLayoutMetrics');
  const height = Math.ceil(cssContentSize.height);
  const bandsStart = performance.now();
  for (let top = 0; top < height; top += bandRows) {
    await session.send('Page.captureScreenshot', {
      format: 'png', optimizeForSpeed: true, captureBeyondViewport: true, fromSurface: true,
      clip: { x: 0, y: top, width: 1280, height: Math.min(bandRows, height - top), scale: 1 },
    });
  }
  console.log(`${Math.round(performance.now() - bandsStart)}`);
  await browser.close();
  process.exit(0);
}
const shotStart = performance.now();
await page.screenshot({ path: output, type: 'jpeg', quality: Number(quality), fullPage: true });
const shotMilliseconds = performance.now() - shotStart;
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
console.log(`${Math.round(milliseconds)} ${width} ${height} ${Math.round(shotMilliseconds)}`);
