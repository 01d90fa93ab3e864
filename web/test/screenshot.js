// The README's picture of the page: monitor 2 after MEM 8000, paused.
//   node web/test/screenshot.js docs/web-page.png
import { serve } from './serve.js';
import { launch, open, screenShows } from './browser.js';

const server = await serve(0);
const browser = await launch();
try {
  const page = await open(browser, `http://127.0.0.1:${server.address().port}/`,
    '?model=V2&monitor=firmware/monit2.rom&type=MEM%208000{EOL}');
  await page.setViewport({ width: 1100, height: 660 });
  await screenShows(page, 'SUB 8000');
  await page.click('#pause');
  // The memory view on the stack: RAM, not the monitor's bytes.
  await page.$eval('#memory-address', (input) => {
    input.value = '7F00';
    input.dispatchEvent(new Event('change'));
  });
  await page.screenshot({ path: process.argv[2] || 'web-page.png' });
} finally {
  await browser.close();
  server.close();
}
