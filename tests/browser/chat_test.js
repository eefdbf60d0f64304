// The chat in a real browser: ravochat-server on a fresh database, three visitors in
// headless Chromium (each its own browser with a fresh profile). A Chinese line reaches
// the others within one poll, a private line reaches its addressee and nobody else, and
// a room change shows the departure in the old room. Saves a screenshot of a chat window.
//
//   node chat_test.js --server path/to/ravochat-server --out folder/for/screenshots

'use strict';

const fs = require('fs');
const path = require('path');
const { POLL_WAIT_MS, step, sleep, startServer, visitor, frameText, waitForText, say, run } =
  require('./support');

run(async (serverPath, outDir) => {
  const { server, base } = await startServer(serverPath);
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
  await sleep(7000);  // cat has polled since
  const catSees = (await frameText(cat, 'say1')) + (await frameText(cat, 'say2'));
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

  await sleep(6500);  // the people list redraws on the timer
  fs.mkdirSync(outDir, { recursive: true });
  const shot = path.join(outDir, 'chat_window.png');
  await ming.page.screenshot({ path: shot });
  step(`screenshot saved to ${shot}`);

  const code = await new Promise((resolve) => {
    server.on('exit', (c, signal) => resolve(c === null ? signal : c));
    server.kill('SIGTERM');
  });
  if (code !== 0) throw new Error(`the server stopped with ${code} on SIGTERM`);
  step('the server stopped cleanly on SIGTERM');
});
