// Chromium driven by puppeteer-core, headless, for the page's tests and
// measurements: QUILLET_CHROMIUM names the browser (default
// /usr/bin/chromium).
import puppeteer from 'puppeteer-core';

export async function launch() {
  return puppeteer.launch({
    executablePath: process.env.QUILLET_CHROMIUM || '/usr/bin/chromium',
    headless: 'new',
    // Root runs chromium only without its sandbox; audio plays without a
    // gesture so that the sound's test hears it.
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
}

// Opens the page at `query` and waits until it has started.
export async function open(browser, base, query = '') {
  const page = await browser.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(String(error)));
  page.on('console', (message) => { if (message.type() === 'error') page.errors.push(message.text()); });
  await page.goto(`${base}index.html${query}`);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes' || document.getElementById('message').textContent,
    { timeout: 10000 });
  return page;
}

// Waits until `#screen-text` holds `text`.
export async function screenShows(page, text, timeout = 10000) {
  await page.waitForFunction((t) => document.getElementById('screen-text').textContent.includes(t),
    { timeout, polling: 50 }, text);
}
