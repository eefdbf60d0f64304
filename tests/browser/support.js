// What the browser tests share: a ravochat-server on a fresh database, visitors each in
// their own headless Chromium with a fresh profile, and waiting for text in a frame.

'use strict';

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { chromium } = require('playwright-core');

const POLL_WAIT_MS = 9000;  // one poll (6 s) and the time to post and draw
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

function arg(name, fallback) {
  const i = process.argv.indexOf(name);
  return i >= 0 ? process.argv[i + 1] : fallback;
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ravochat-browser-'));
const cleanups = [];
const pageErrors = [];

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Starts the server on a free port with the options `extra`; resolves to it and its address.
function startServer(serverPath, extra = []) {
  const server = spawn(serverPath,
    ['--listen', '127.0.0.1:0', '--db', path.join(work, 'chat.db'), ...extra],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let log = '';
  server.stderr.on('data', (d) => { log += d; });
  cleanups.push(() => new Promise((resolve) => {
    if (server.exitCode !== null || server.signalCode !== null) return resolve();
    server.on('exit', resolve);
    server.kill('SIGTERM');
  }));
  return new Promise((resolve, reject) => {
    let out = '';
    server.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/serving (http:\/\/[0-9.]+:\d+)\//);
      if (m) resolve({ server, base: m[1], log: () => log });
    });
    server.on('exit', (code) => reject(new Error(`server exited with ${code}: ${log}`)));
    setTimeout(() => reject(new Error('server did not start: ' + log)), 20000);
  });
}

// A browser of its own for the visitor `name`; `phone` gives it a 390x844 phone screen.
async function browser(name, phone) {
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: arg('--chromium', '/usr/bin/chromium'), headless: true, args: FLAGS,
    viewport: phone ? { width: 390, height: 844 } : { width: 1000, height: 640 },
    isMobile: !!phone, hasTouch: !!phone,
  });
  cleanups.unshift(() => context.close());
  const page = context.pages()[0] || await context.newPage();
  page.on('pageerror', (e) => pageErrors.push(`${name}: ${e.message}`));
  return { name, context, page, frame: (n) => page.frame({ name: n }) };
}

// Logs `v` in from the entrance; resolves to the login page's message when refused, else
// waits for the chat window (chat.asp or, on a phone, phone.asp) and his people list.
async function logIn(v, base, password, { sex = '0', room = '1', refused = false } = {}) {
  await v.page.goto(base + '/');
  await v.page.fill('#sUserName', v.name);
  await v.page.fill('#sPass', password);
  await v.page.check(`input[name=bSex][value="${sex}"]`);
  await v.page.selectOption('#room_id', room);
  await Promise.all([v.page.waitForURL(refused ? /login\.asp$/ : /(chat|phone)\.asp$/),
    v.page.click('#enter')]);
  if (refused) return v.page.textContent('#message');
  await waitForText(v, 'list', v.name, 15000);
  return '';
}

async function visitor(base, name, password, sex, room, phone) {
  const v = await browser(name, phone);
  return logIn(v, base, password, { sex, room }).then(() => v);
}

async function frameText(v, frame) {
  return v.frame(frame).evaluate(() => (document.body ? document.body.innerText : ''));
}

async function waitForText(v, frame, text, timeout = POLL_WAIT_MS) {
  const end = Date.now() + timeout;
  for (;;) {
    const seen = await frameText(v, frame).catch(() => '');  // the frame may be being rewritten
    if (seen.includes(text)) return;
    if (Date.now() > end) throw new Error(`${v.name} did not see "${text}" in ${frame}: ${seen}`);
    await sleep(200);
  }
}

async function say(v, text, options = {}) {
  const input = v.frame('input');
  if (options.to) {
    await input.waitForFunction((to) => [...document.getElementById('towho').options]
      .some((o) => o.value === to), options.to);
    await input.selectOption('#towho', options.to);
  }
  await input.setChecked('#secret', !!options.secret);
  await input.fill('#saystemp', text);
  await input.press('#saystemp', 'Enter');
}

async function shoot(v, outDir, name, fullPage = false) {
  fs.mkdirSync(outDir, { recursive: true });
  await v.page.screenshot({ path: path.join(outDir, name), fullPage });
}

// Runs `main` with the server path and the screenshot folder, then cleans up and
// reports; any failure or script error in a chat window fails the test.
function run(main) {
  const serverPath = arg('--server');
  (async () => {
    if (!serverPath) throw new Error('--server is required');
    await main(serverPath, arg('--out', process.cwd()));
    if (pageErrors.length) throw new Error('script errors in a chat window:\n' + pageErrors.join('\n'));
  })().then(() => true, (e) => { console.error(e.stack || e); return false; })
    .then(async (passed) => {
      for (const c of cleanups) await c().catch(() => {});
      fs.rmSync(work, { recursive: true, force: true });
      console.log(passed ? '1 passed, 0 failed' : '0 passed, 1 failed');
      if (!passed) process.exit(1);
    });
}

module.exports = {
  POLL_WAIT_MS, sleep, startServer, browser, logIn, visitor, frameText, waitForText, say,
  shoot, run,
};
