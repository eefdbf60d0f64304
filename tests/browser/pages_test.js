// The chatter's own pages in a real browser, and the chat on a phone: lines with emoji
// reach the others as emoji; a new user follows the welcome's settings link and changes
// his password and colours; a note waits for a chatter offline; a call reaches its
// addressee at once; a friend request is agreed through its link; a phone visitor
// (390x844) chats in the single-column window. Saves a screenshot of the phone chat.
//
//   node pages_test.js --server path/to/ravochat-server --out folder/for/screenshots

'use strict';

const { sleep, startServer, logIn, visitor, waitForText, say, shoot, run } = require('./support');

// Opens one of the tools over the people list, acting on the addressee `to` if given.
async function tool(v, id, to) {
  await v.frame('listtitle').click('#tab-people');
  if (to) await v.frame('list').click(`div.p[data-name="${to}"]`);
  await v.frame('list').click(`#${id}`);
}

async function submit(v, form, fields, done) {
  const list = v.frame('list');
  await list.waitForSelector(`form#${form}`);
  for (const [name, value] of Object.entries(fields)) {
    await list.fill(`form#${form} [name=${name}]`, value);
  }
  if (!done) return list.click(`form#${form} input[type=submit]`);  // the window reloads
  await Promise.all([list.waitForNavigation(), list.click(`form#${form} input[type=submit]`)]);
  await waitForText(v, 'list', done, 5000);
}

async function leave(v, base) {
  // A navigation of the window's own (its reload after the settings) may abort the first try.
  await v.page.goto(base + '/close.asp').catch(() => v.page.goto(base + '/close.asp'));
}

async function emoji(ann, bob) {
  const lines = ['表情😀 a<b', '只有表情😀𠀀', '照打 &#60; 和 <i>'];
  for (const line of lines) await say(ann, line);
  for (const line of lines) await waitForText(bob, 'say1', line);
}

async function newUserSettings(base) {
  const cat = await visitor(base, 'cat', 'catpass1', '1', '1');
  await waitForText(cat, 'say2', '可以修改和设置您的个人信息');
  await cat.frame('say2').click('a[href="userset.asp"]');
  await submit(cat, 'password', { oldpass: 'catpass1', newpass: 'catnew22', newpass2: 'catnew22' },
    '密码已经修改');
  await submit(cat, 'settings', { bg: '#ffeedd', c1: '#cc0000' });
  await cat.page.waitForFunction(() => window.bgcolor === '#ffeedd' && window.bc1 === '#cc0000');
  await leave(cat, base);
  return cat;
}

async function noteForOfflineUser(base, ann, cat) {
  await sleep(1100);  // the notice counts notes of a later second than the departure
  await tool(ann, 'tool-guest');
  await submit(ann, 'note', { towho: 'cat', message: '明天见😀 <b>不是粗体</b>' }, '留言已经送出');
  await logIn(cat, base, 'catnew22', { sex: '1' });
  await waitForText(cat, 'say2', '有聊友给你留言哟！');
  const [book] = await Promise.all([cat.context.waitForEvent('page'),
    cat.frame('say2').click('a[href="guest.asp"]')]);
  await book.waitForSelector('#notes');
  const notes = await book.textContent('#notes');
  if (!notes.includes('ann') || !notes.includes('明天见😀 <b>不是粗体</b>')) {
    throw new Error('the guest book does not show the note: ' + notes);
  }
}

async function callAndFriends(base, ann, bob) {
  await tool(ann, 'tool-call', 'bob');
  await submit(ann, 'call', { message: '快来大厅😀' }, '呼叫已经发出');
  await waitForText(bob, 'say2', 'ann呼叫你：快来大厅😀');

  await tool(ann, 'tool-friend', 'bob');
  await submit(ann, 'askfriend', {}, '好友申请已经发出');
  await waitForText(bob, 'say2', 'ann向你发出好友申请');
  await bob.frame('say2').click('a[href$="answer=yes"]');
  await waitForText(bob, 'say2', '你们已经是好友了！');
  await waitForText(ann, 'say2', 'bob同意了你的好友申请！');

  await leave(bob, base);
  const calls = bob.context.waitForEvent('page');
  await logIn(bob, base, 'bobpass1');
  await waitForText(bob, 'say2', '在线好友：ann');
  const callList = await calls;
  await callList.waitForSelector('#calls');
  if (!(await callList.textContent('#calls')).includes('快来大厅😀')) {
    throw new Error('getcall.asp does not list ann\'s call');
  }
}

async function phone(base, ann, outDir) {
  const dan = await visitor(base, 'dan', 'danpass1', '0', '1', true);
  if (!dan.page.url().endsWith('/phone.asp')) throw new Error('the phone got ' + dan.page.url());
  await waitForText(dan, 'say2', '可以修改和设置您的个人信息');
  await dan.frame('say2').click('a[href="userset.asp"]');
  await dan.page.waitForSelector('#people', { state: 'visible' });
  await waitForText(dan, 'list', '个人设置', 5000);
  await dan.page.click('#people-close');

  await say(ann, '手机上也能看到表情😀 a<b');
  await waitForText(dan, 'say1', '手机上也能看到表情😀 a<b');
  await tool(ann, 'tool-call', 'dan');
  await submit(ann, 'call', { message: '你好' }, '呼叫已经发出');
  await waitForText(dan, 'say2', 'ann呼叫你：你好');

  await dan.page.click('#people-button');
  await dan.frame('list').click('div.p[data-name="ann"]');
  await dan.page.waitForSelector('#people', { state: 'hidden' });
  await say(dan, '我在手机上😀', { secret: false });
  await waitForText(ann, 'say1', '我在手机上😀');
  await waitForText(dan, 'say1', '我在手机上😀');

  await sleep(1500);
  await shoot(dan, outDir, 'phone_chat.png');
}

run(async (serverPath, outDir) => {
  const { base } = await startServer(serverPath, ['--set', 'newusernum=10']);  // all from one address
  const ann = await visitor(base, 'ann', 'annpass1', '1', '1');
  const bob = await visitor(base, 'bob', 'bobpass1', '0', '1');
  await emoji(ann, bob);
  const cat = await newUserSettings(base);
  await noteForOfflineUser(base, ann, cat);
  await callAndFriends(base, ann, bob);
  await phone(base, ann, outDir);
});
