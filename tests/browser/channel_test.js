// The push channel in a real browser: a line reaches another window within a second with no
// poll in between; a window whose channel is blocked falls back to polling and still gets the
// lines; after a dropped channel the reconnect brings the lines said meanwhile, once each; the
// phone chat uses the channel too and its header fits a 360-pixel screen.
//
//   node channel_test.js --server path/to/ravochat-server --out folder/for/screenshots

'use strict';

const { sleep, startServer, browser, logIn, visitor, frameText, waitForText, say, run } =
  require('./support');

const live = (v) => v.page.waitForFunction(() => window.channellive === true, null,
  { timeout: 15000 });

// Counts the polls (refresh.asp) that the window of `v` makes.
function countPolls(v) {
  const counter = { polls: 0 };
  v.page.on('request', (r) => { if (/\/refresh\.asp/.test(r.url())) counter.polls++; });
  return counter;
}

async function lineWithinASecond(from, to, counter, text) {
  await sleep(500);  // the pages loaded at the login have settled
  const before = counter.polls;
  await say(from, text);
  await waitForText(to, 'say1', text, 1000);
  if (counter.polls !== before) throw new Error(`${to.name} polled ${counter.polls - before} times`);
}

async function reconnectBringsMissedLinesOnce(from, to) {
  await to.page.evaluate(() => closechannel());
  await say(from, '断线时说的第一句');
  await say(from, '断线时说的第二句');
  await waitForText(from, 'say1', '断线时说的第二句', 5000);
  await to.page.evaluate(() => openchannel());
  await waitForText(to, 'say1', '断线时说的第二句', 2000);
  const seen = await frameText(to, 'say1');
  for (const line of ['断线时说的第一句', '断线时说的第二句']) {
    const times = seen.split(line).length - 1;
    if (times !== 1) throw new Error(`${to.name} saw "${line}" ${times} times`);
  }
}

async function blockedChannelPolls(base, from) {
  const cat = await browser('cat');
  await cat.page.route('**/channel.asp*', (route) => route.abort());
  await logIn(cat, base, 'catpass1');
  await say(from, '没有通道也能收到');
  await waitForText(cat, 'say1', '没有通道也能收到');
  if (!(await cat.page.evaluate(() => pollonly && !channel))) throw new Error('cat did not poll');
}

// New names are admitted only a few a minute: bob comes back on his phone.
async function phoneUsesTheChannelAndFits(base, from) {
  const phone = await browser('bob', true);
  await phone.page.setViewportSize({ width: 360, height: 780 });
  await logIn(phone, base, 'bobpass1');
  await live(phone);
  const counter = countPolls(phone);
  await lineWithinASecond(from, phone, counter, '手机也马上收到');
  const right = await phone.page.evaluate(
    () => document.getElementById('exit-button').getBoundingClientRect().right);
  if (right > 360) throw new Error(`the phone header's exit button ends at ${right} px`);
}

run(async (serverPath) => {
  const { base } = await startServer(serverPath, ['--set', 'floodlines=0']);
  const amy = await visitor(base, 'amy', 'amypass1', '1', '1');
  const bob = await visitor(base, 'bob', 'bobpass1', '0', '1');
  await live(bob);
  const counter = countPolls(bob);
  await lineWithinASecond(amy, bob, counter, '通道马上送到');
  await reconnectBringsMissedLinesOnce(amy, bob);
  await blockedChannelPolls(base, amy);
  await phoneUsesTheChannelAndFits(base, amy);
});
