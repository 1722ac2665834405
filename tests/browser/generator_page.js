'use strict';
// The generator page in a real browser: Debian's chromium, headless, against
// dexmora-serve on an ephemeral loopback port. Every picture is checked by
// decoding it with zxing-cpp's reader (scan_png), never by comparing pixels.
//   node generator_page.js DEXMORA_SERVE SCAN_PNG
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [serveBinary, scanBinary] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'dexmora-browser-'));
const failures = [];
let passed = 0;

function check(condition, what) {
  if (condition) passed += 1;
  else failures.push(what);
  return condition;
}

// Starts the server on a port the system picks; resolves with its base URL
// once it has said which port it bound.
function startServer() {
  const server = spawn(serveBinary, ['--listen', '127.0.0.1:0', '--access-log', 'off'],
    { stdio: ['ignore', 'ignore', 'pipe'] });
  return new Promise((resolve, reject) => {
    let said = '';
    const timer = setTimeout(() => reject(new Error(`no port from dexmora-serve: ${said}`)), 10000);
    server.on('exit', (code) => reject(new Error(`dexmora-serve exited with ${code}: ${said}`)));
    server.stderr.on('data', (chunk) => {
      said += chunk;
      const found = /127\.0\.0\.1:([1-9][0-9]*)/.exec(said);
      if (found) {
        clearTimeout(timer);
        resolve({ server, base: `http://127.0.0.1:${found[1]}` });
      }
    });
  });
}

// What the reader finds in a PNG: { identifier: ']d1', bytes: Buffer }, or null.
function scan(file) {
  try {
    const out = execFileSync(scanBinary, [file], { stdio: ['ignore', 'pipe', 'pipe'] });
    return { identifier: out.subarray(0, 3).toString('latin1'), bytes: out.subarray(3) };
  } catch (failure) {
    return null;
  }
}

function scansTo(file, text, what, identifier = ']d1') {
  const found = scan(file);
  const expected = Buffer.from(text, 'utf8');
  check(found && found.identifier === identifier && found.bytes.equals(expected),
    `${what}: expected ${identifier} ${JSON.stringify(text)}, the reader found ` +
    (found ? `${found.identifier} ${JSON.stringify(found.bytes.toString('utf8'))}` : 'nothing'));
}

async function openPage(browser, base, { javascript = true, language = 'en-US,en;q=0.9' } = {}) {
  const page = await browser.newPage();
  page.setDefaultTimeout(15000);
  await page.setJavaScriptEnabled(javascript);
  await page.setExtraHTTPHeaders({ 'Accept-Language': language });
  page.on('pageerror', (error) => failures.push(`script error on the page: ${error.message}`));
  await page.goto(`${base}/`, { waitUntil: 'load' });
  return page;
}

async function typeData(page, text) {
  await page.click('#data', { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.type('#data', text);
}

async function previewState(page) {
  return page.$eval('#preview', (preview) => preview.getAttribute('data-state'));
}

// Does `action` and waits until the preview settles again: "ready" or "error".
async function after(page, action) {
  await page.$eval('#preview', (preview) => preview.setAttribute('data-state', 'stale'));
  await action();
  return settle(page);
}

// "ready" only with the picture of the text now in the field.
async function settle(page) {
  await page.waitForFunction(() => {
    const state = document.getElementById('preview').getAttribute('data-state');
    const image = document.getElementById('preview-image');
    const data = `${new URLSearchParams({ data: document.getElementById('data').value })}&`;
    return state === 'error' ||
      (state === 'ready' && image.complete && image.naturalWidth > 0 && image.src.includes(data));
  });
  return previewState(page);
}

// Typed texts, each checked through the live preview and the download link.
const previewCases = [
  { text: 'Hello, Dexmora + 100% #1 & more?', what: 'plain text with + % # & ?' },
  { text: '标签 Nº 42', what: 'UTF-8 text' },
  { text: '[01]09501101530003[17]270101', gs1: true, bytes: '0109501101530003' + '17270101',
    identifier: ']d2', what: 'GS1 element strings' },
];

async function checkPreview(browser, base) {
  for (const c of previewCases) {
    const page = await openPage(browser, base);
    if (c.gs1) await page.click('#gs1');
    check(await after(page, () => typeData(page, c.text)) === 'ready', `${c.what}: the preview did not become ready`);
    const shot = path.join(work, `preview-${previewCases.indexOf(c)}.png`);
    await (await page.$('#preview')).screenshot({ path: shot });
    scansTo(shot, c.bytes || c.text, `${c.what}: preview screenshot`, c.identifier);

    const query = new URLSearchParams({ data: c.text, format: 'json' });
    if (c.gs1) query.append('gs1', '1');
    const info = await (await fetch(`${base}/v1/datamatrix?${query}`)).json();
    const figures = await page.$eval('#figures', (element) => element.textContent);
    check(figures.includes(`${info.rows} × ${info.cols}`) && figures.includes(`${info.data_length} of ${info.capacity}`),
      `${c.what}: figures "${figures}" do not give ${info.size}, ${info.data_length} of ${info.capacity}`);

    const links = await page.$$eval('#downloads a', (anchors) => anchors.map((a) => a.href));
    check(links.length === 3 && !(await page.$eval('#downloads', (d) => d.hidden)), `${c.what}: no download links`);
    const png = links.find((link) => /format=png/.test(link));
    const response = await fetch(png);
    check(/attachment/.test(response.headers.get('content-disposition') || ''),
      `${c.what}: the PNG link is not a download`);
    const file = path.join(work, `download-${previewCases.indexOf(c)}.png`);
    fs.writeFileSync(file, Buffer.from(await response.arrayBuffer()));
    scansTo(file, c.bytes || c.text, `${c.what}: downloaded PNG`, c.identifier);
    await page.close();
  }
}

// Keys slower than the debounce send a request for each prefix; the answers
// for the prefixes must not end up as the preview of the whole text.
async function checkSlowTyping(browser, base) {
  const page = await openPage(browser, base);
  const text = 'SLOW-4242';
  await after(page, () => page.type('#data', text, { delay: 300 }));
  const shot = path.join(work, 'slow.png');
  await (await page.$('#preview')).screenshot({ path: shot });
  scansTo(shot, text, 'typed slowly: preview screenshot');
  await page.close();
}

// A refused value shows its message beside its own field, and no picture.
async function checkErrors(browser, base) {
  const page = await openPage(browser, base);
  check(await after(page, () => typeData(page, 'ABC')) === 'ready', 'ABC did not give a preview');
  check(await after(page, () => page.type('#xdim', 'wide')) === 'error', 'a bad X-dimension did not give an error');
  const beside = await page.$eval('#xdim-error', (element) => element.textContent);
  check(beside.length > 0, 'the X-dimension error is not beside its field');
  check(await page.$eval('#xdim', (element) => element.getAttribute('aria-invalid')) === 'true',
    'the X-dimension field is not marked invalid');
  check(await page.$eval('#downloads', (element) => element.hidden), 'download links stay after an error');

  const state = await after(page, async () => {
    await page.click('#xdim', { clickCount: 3 });
    await page.keyboard.press('Backspace');
    await page.click('#gs1');
  });
  check(state === 'error', 'GS1 with plain text did not give an error');
  check((await page.$eval('#data-error', (element) => element.textContent)).length > 0,
    'the GS1 error is not beside the text');
  check(await page.$eval('#xdim-error', (element) => element.textContent) === '',
    'the earlier X-dimension error stayed');
  await page.close();
}

// A size too small is raised unless "exactly this size" is ticked; GS1 in
// parentheses reads as GS1.
async function checkSizeAndGs1Controls(browser, base) {
  const page = await openPage(browser, base);
  await page.select('#size', '10x10');
  check(await after(page, () => typeData(page, 'a longer text here')) === 'ready', 'a raised size gave no preview');
  check((await page.$eval('#figures', (element) => element.textContent)).includes('18 × 18'),
    'the figures do not give the size made');
  const raised = await page.$eval('#note', (element) => ({ hidden: element.hidden, text: element.textContent }));
  check(!raised.hidden && raised.text.includes('10 × 10') && raised.text.includes('18 × 18'),
    `the raised size shows as ${JSON.stringify(raised)}`);
  check(await after(page, () => page.click('#exact-size')) === 'error', 'exactly this size did not refuse');
  check((await page.$eval('#data-error', (element) => element.textContent)).includes('does not fit'),
    'the refusal does not say the text does not fit');
  await page.click('#exact-size');
  await page.select('#size', 'auto');
  check(await after(page, async () => {
    await page.click('#gs1-parens');
    await typeData(page, '(01)09501101530003(17)270101');
  }) === 'ready', 'GS1 in parentheses gave no preview');
  const shot = path.join(work, 'gs1-parens.png');
  await (await page.$('#preview')).screenshot({ path: shot });
  scansTo(shot, '0109501101530003' + '17270101', 'GS1 in parentheses: preview screenshot', ']d2');
  await page.close();
}

// A Dexmora-Notice on the answer shows as a note beside the figures, in the
// page's words and with the figures it carries.
async function checkNotice(browser, base) {
  const page = await openPage(browser, base);
  await page.setRequestInterception(true);
  page.on('request', async (request) => {
    if (!request.url().includes('format=json')) {
      request.continue();
      return;
    }
    const real = await fetch(request.url());
    const headers = Object.fromEntries(real.headers.entries());
    headers['dexmora-notice'] = 'module_rounded;dpi="300";xdim="0.15";pixels="2";drawn="0.169", future_notice;n="1"';
    request.respond({ status: real.status, headers, body: Buffer.from(await real.arrayBuffer()) });
  });
  check(await after(page, () => typeData(page, 'noted')) === 'ready', 'no preview with a notice');
  const note = await page.$eval('#note', (element) => ({ hidden: element.hidden, text: element.textContent }));
  check(!note.hidden && note.text.includes('At 300 dpi an X-dimension of 0.15 mm is 2 whole pixels, 0.169 mm') &&
    note.text.includes('future_notice'), `the notices show as ${JSON.stringify(note)}`);
  await page.close();
}

// Every control has a label, focus is visible, and Tab reaches the text first.
async function checkKeyboard(browser, base) {
  const page = await openPage(browser, base);
  const unlabelled = await page.$$eval('input, select, textarea',
    (controls) => controls.filter((c) => !c.labels || c.labels.length === 0).map((c) => c.id));
  check(unlabelled.length === 0, `controls without a label: ${unlabelled.join(', ')}`);
  await page.keyboard.press('Tab');
  check(await page.evaluate(() => document.activeElement.id) === 'data', 'Tab does not reach the text first');
  const outline = await page.$eval('#data', (element) => getComputedStyle(element).outlineStyle);
  check(outline !== 'none', 'the focused text box shows no outline');
  const live = await page.$$eval('[aria-live]', (regions) => regions.map((r) => r.id));
  check(live.includes('preview') && live.includes('data-error'), 'the preview or errors are not live regions');
  await page.close();
}

// With JavaScript off the form posts to /form and the answer is the picture;
// form encoding makes a space '+' and a plus '%2B'.
async function checkWithoutJavaScript(browser, base) {
  const texts = ['a+b c=d&e%f', '二维码 label'];
  const empty = await openPage(browser, base, { javascript: false });
  await empty.$eval('#data', (element) => element.removeAttribute('required'));
  const [refused] = await Promise.all([empty.waitForNavigation(), empty.click('button[type=submit]')]);
  const words = await empty.$eval('#error', (element) => element.textContent);
  check(refused.status() === 400 && words === 'Type the text to put in the symbol first.',
    `an empty form is answered ${refused.status()} ${JSON.stringify(words)}`);
  await empty.close();
  for (const text of texts) {
    const page = await openPage(browser, base, { javascript: false });
    check(await page.$eval('#result', (element) => element.hidden), 'without JavaScript the preview is shown');
    await page.type('#data', text);
    const [response] = await Promise.all([page.waitForNavigation(), page.click('button[type=submit]')]);
    check(response.status() === 200 && response.headers()['content-type'] === 'image/png',
      `the form's answer is ${response.status()} ${response.headers()['content-type']}, not a PNG`);
    const file = path.join(work, `form-${texts.indexOf(text)}.png`);
    fs.writeFileSync(file, await response.buffer());
    scansTo(file, text, `form without JavaScript, ${JSON.stringify(text)}`);
    await page.close();
  }
}

// Chinese labels when the browser prefers Chinese, also in the live figures.
async function checkChinese(browser, base) {
  const page = await openPage(browser, base, { language: 'zh-CN,zh;q=0.9,en;q=0.8' });
  check(await page.$eval('html', (element) => element.lang) === 'zh-Hans', 'the page is not marked zh-Hans');
  check(await page.$eval('label[for=data]', (element) => element.textContent) === '文本', 'the text label is not Chinese');
  check(await page.$eval('button[type=submit]', (element) => element.textContent) === '生成图片',
    'the button is not Chinese');
  await after(page, () => typeData(page, 'Hello'));
  check((await page.$eval('#figures', (element) => element.textContent)).includes('数据码字'),
    'the figures are not Chinese');
  await page.close();
  const english = await openPage(browser, base);
  check(await english.$eval('label[for=data]', (element) => element.textContent) === 'Text', 'the text label is not English');
  await english.close();
}

async function main() {
  const { server, base } = await startServer();
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`],
  });
  try {
    for (const group of [checkPreview, checkSlowTyping, checkErrors, checkSizeAndGs1Controls, checkNotice, checkKeyboard,
      checkWithoutJavaScript, checkChinese]) {
      try {
        await group(browser, base);
      } catch (error) {
        failures.push(`${group.name}: ${error.stack || error}`);
      }
    }
  } finally {
    await browser.close();
    server.kill('SIGTERM');
    fs.rmSync(work, { recursive: true, force: true });
  }
  for (const failure of failures) console.error(`FAIL ${failure}`);
  console.log(`browser: ${passed} passed, ${failures.length} failed`);
  process.exitCode = failures.length === 0 ? 0 : 1;
}

main().catch((error) => {
  console.error(error.stack || error);
  fs.rmSync(work, { recursive: true, force: true });
  process.exitCode = 1;
});
