// The chat in a real browser: ravochat-server on a fresh database, three visitors in
// headless Chromium (each its own browser with a fresh profile). A Chinese line reaches
// the others within one poll, a private line reaches its addressee and nobody else, and
// a room change shows the departure in the old room. A markup line (every visitor may post
// markup here) keeps its formatting but runs no script in any window, whichever way the
// script is hidden. Saves a screenshot of a chat window.
//
//   node chat_test.js --server path/to/ravochat-server --out folder/for/screenshots

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

const serverPath = arg('--server');
const outDir = arg('--out', process.cwd());
const chromiumPath = arg('--chromium', '/usr/bin/chromium');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ravochat-browser-'));
const cleanups = [];
const pageErrors = [];

function step(text) {
  console.log(`[${new Date().toISOString().slice(11, 19)}] ${text}`);
}

// Starts the server on a free port and resolves to its address.
function startServer() {
  const server = spawn(serverPath, ['--listen', '127.0.0.1:0', '--db', path.join(work, 'chat.db'),
    '--set', 'l_allhtml=0'], { stdio: ['ignore', 'pipe', 'pipe'] });
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

// One visitor: his own browser, logged in, with the chat window loaded.
async function visitor(base, name, password, sex, room) {
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath, headless: true, args: FLAGS,
    viewport: { width: 1000, height: 640 },
  });
  cleanups.unshift(() => context.close());
  const page = context.pages()[0] || await context.newPage();
  page.on('pageerror', (e) => pageErrors.push(`${name}: ${e.message}`));
  await page.goto(base + '/');
  await page.fill('#sUserName', name);
  await page.fill('#sPass', password);
  await page.check(`input[name=bSex][value="${sex}"]`);
  await page.selectOption('#room_id', room);
  await Promise.all([page.waitForURL(/chat\.asp$/), page.click('#enter')]);
  const v = { name, page, frame: (n) => page.frame({ name: n }) };
  await waitForText(v, 'list', name, 15000);
  step(`${name} is in the chat`);
  return v;
}

function paneText(v, pane) {
  return v.frame(pane).evaluate(() => (document.body ? document.body.innerText : ''));
}

async function waitForText(v, pane, text, timeout) {
  const end = Date.now() + timeout;
  for (;;) {
    let seen = '';
    try {
      seen = await paneText(v, pane);
    } catch (e) { /* the frame is being rewritten */ }
    if (seen.includes(text)) return;
    if (Date.now() > end) throw new Error(`${v.name} did not see "${text}" in ${pane}: ${seen}`);
    await new Promise((r) => setTimeout(r, 200));
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

// Payload families that ran script through the markup of a line, each setting top.pwned.
const PAYLOADS = [
  '#<script>top.pwned="script"</script>脚本',
  '#<SCRIPT>top.pwned="upper"</SCRIPT>大写',
  '#<img src=x onerror="top.pwned=\'img\'">图片',
  '#<a href="javascript:top.pwned=\'href\'" id=jslink>链接</a>',
  '#<svg onload="top.pwned=\'svg\'"><circle r=5></circle></svg>矢量',
  '#<iframe src="javascript:top.pwned=\'iframe\'"></iframe>框架',
  '#<body onload="top.pwned=\'body\'">正文',
  '#<style>@import "javascript:top.pwned=1"</style><b style="background:url(javascript:x)">样式</b>',
];
const FORMATTED = '#<b>粗体</b><font color=red>红字</font><a href="http://example.com/">外链</a>';

async function markupRunsNoScript(poster, viewer) {
  const started = Date.now();
  // One line at a time: a new post replaces the answer frame of the one before.
  const words = ['脚本', '大写', '图片', '链接', '矢量', '框架', '正文', '样式', '外链'];
  for (const [i, p] of [...PAYLOADS, FORMATTED].entries()) {
    await say(poster, p, { to: '大家' });  // the last private line's addressee has left
    await waitForText(poster, 'say1', words[i], 5000);
  }
  await waitForText(viewer, 'say1', '外链', POLL_WAIT_MS);
  for (const v of [poster, viewer]) {
    await v.frame('say1').evaluate(() => {
      const a = document.querySelector('a[id=jslink], a:not([href])');
      if (a) a.click();
    });
    const found = await v.page.evaluate(() => {
      const d = window.frames.say1.document;
      // The names the site itself links (a.name) are no part of a line's markup.
      const attrs = [...d.querySelectorAll('#msgs *:not(a.name)')].flatMap((e) => [...e.attributes])
        .filter((a) => /^on/i.test(a.name) || /javascript:/i.test(a.value)).map((a) => a.name);
      return {
        pwned: window.pwned,
        attrs,
        banned: d.querySelectorAll('#msgs script, #msgs svg, #msgs iframe, #msgs style').length,
        bold: [...d.querySelectorAll('#msgs b')].some((b) => b.textContent === '粗体'),
        red: !!d.querySelector('#msgs font[color=red]'),
        link: !!d.querySelector('#msgs a[href="http://example.com/"]'),
        text: d.body.innerText,
      };
    });
    if (found.pwned !== undefined) throw new Error(`${v.name} ran script: ${found.pwned}`);
    if (found.attrs.length || found.banned) {
      throw new Error(`${v.name} got live markup: ${found.attrs} ${found.banned}`);
    }
    if (!found.bold || !found.red || !found.link) {
      throw new Error(`${v.name} lost the formatting: ${JSON.stringify(found)}`);
    }
    for (const word of words) {
      if (!found.text.includes(word)) throw new Error(`${v.name} lost the text ${word}: ${found.text}`);
    }
  }
  step(`markup lines kept their formatting and ran nothing after ${Date.now() - started} ms`);
}

async function main() {
  if (!serverPath) throw new Error('--server is required');
  const { server, base } = await startServer();
  step(`server at ${base}`);

  const ming = await visitor(base, '小明', 'mingpass1', '0', '1');
  const bob = await visitor(base, 'bob', 'bobpass1', '0', '1');
  const cat = await visitor(base, 'cat', 'catpass1', '1', '1');

  const line = '大家好，我是小明！今天天气真好。';
  let started = Date.now();
  await say(ming, line);
  await waitForText(bob, 'say1', line, POLL_WAIT_MS);
  step(`bob saw the Chinese line after ${Date.now() - started} ms`);

  const secret = '这是只给bob的悄悄话';
  started = Date.now();
  await say(ming, secret, { to: 'bob', secret: true });
  await waitForText(bob, 'say2', secret, POLL_WAIT_MS);
  step(`bob saw the private line after ${Date.now() - started} ms`);
  await new Promise((r) => setTimeout(r, 7000));  // cat has polled since
  const catSees = (await paneText(cat, 'say1')) + (await paneText(cat, 'say2'));
  if (catSees.includes(secret)) throw new Error('cat saw the private line');
  if (!catSees.includes(line)) throw new Error('cat did not see the public line');
  step('cat did not see the private line');

  started = Date.now();
  await bob.frame('listtitle').click('#tab-rooms');
  await waitForText(bob, 'list', '情感天地', 5000);
  await bob.frame('list').click('div.room[data-room="2"]');
  await waitForText(bob, 'list', '情感天地（1人）', 10000);
  await waitForText(ming, 'say1', 'bob离开了本房间，去了情感天地', POLL_WAIT_MS);
  step(`the old room saw bob leave after ${Date.now() - started} ms`);

  await markupRunsNoScript(ming, cat);

  await new Promise((r) => setTimeout(r, 6500));  // the people list redraws on the timer
  fs.mkdirSync(outDir, { recursive: true });
  const shot = path.join(outDir, 'chat_window.png');
  await ming.page.screenshot({ path: shot });
  step(`screenshot saved to ${shot}`);

  if (pageErrors.length) throw new Error('script errors in the chat window:\n' + pageErrors.join('\n'));

  const code = await new Promise((resolve) => {
    server.on('exit', (c, signal) => resolve(c === null ? signal : c));
    server.kill('SIGTERM');
  });
  if (code !== 0) throw new Error(`the server stopped with ${code} on SIGTERM`);
  step('the server stopped cleanly on SIGTERM');
}

main().then(async () => {
  for (const c of cleanups) await c().catch(() => {});
  fs.rmSync(work, { recursive: true, force: true });
  console.log('1 passed, 0 failed');
}, async (e) => {
  console.error(e.stack || e);
  for (const c of cleanups) await c().catch(() => {});
  fs.rmSync(work, { recursive: true, force: true });
  console.log('0 passed, 1 failed');
  process.exit(1);
});
