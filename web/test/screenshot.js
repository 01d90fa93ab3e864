// The README's pictures of the page.
//   node web/test/screenshot.js monitor docs/web-page.png
//     monitor 2 after MEM 8000, paused, the debugger on the stack;
//   node web/test/screenshot.js game docs/web-page-game.png
//     a shared tape's game loaded through its MGLD button and started with
//     the space bar, playing.
import { serve } from './serve.js';
import { launch, open, screenShows } from './browser.js';

const delay = (ms) => new Promise((done) => setTimeout(done, ms));

async function monitor(page) {
  await screenShows(page, 'SUB 8000');
  await page.click('#pause');
  // The memory view on the stack: RAM, not the monitor's bytes.
  await page.$eval('#memory-address', (input) => {
    input.value = '7F00';
    input.dispatchEvent(new Event('change'));
  });
}

async function game(page) {
  await screenShows(page, '++ Os ready ++');
  await page.click('button.mgld');
  // The loader reads the game's blocks itself and the game plays its title
  // tune: run as fast as it goes to the title, then in real time.
  await page.waitForFunction(() => Number(document.getElementById('frame-count').textContent) > 15000,
    { timeout: 60000 });
  await page.select('#speed', '1');
  // The title and then the first maze's page each wait for the space bar,
  // polled between the notes of a tune: held as a person holds it.
  await page.focus('#screen');
  for (let press = 0; press < 2; ++press) {
    await page.keyboard.down(' ');
    await delay(1500);
    await page.keyboard.up(' ');
    await delay(2000);
  }
  await page.evaluate(() => window.scrollTo(0, 0));
}

const SHOTS = {
  monitor: { query: '?model=V2&monitor=firmware/monit2.rom&type=MEM%208000{EOL}', take: monitor },
  game: { query: '?model=V2&monitor=firmware/monit2.rom&tape=tapes/BLUDISTE.pmd&speed=max', take: game },
};

const shot = SHOTS[process.argv[2]];
if (!shot) {
  console.error(`usage: node screenshot.js ${Object.keys(SHOTS).join('|')} OUT.png`);
  process.exit(64);
}
const server = await serve(0);
const browser = await launch();
try {
  const page = await open(browser, `http://127.0.0.1:${server.address().port}/`, shot.query);
  await page.setViewport({ width: 1100, height: 660 });
  await shot.take(page);
  await page.screenshot({ path: process.argv[3] || 'web-page.png' });
} finally {
  await browser.close();
  server.close();
}
