// The chat in a real browser: ravochat-server on a fresh database, three visitors in
// headless Chromium (each its own browser with a fresh profile). A Chinese line reaches
// the others within one poll, a private line reaches its addressee and nobody else, and
// a room change shows the departure in the old room, and a privileged visitor's markup keeps
// its formatting and runs no script in any window. Saves a screenshot of a chat window.
//
//   node chat_test.js --server path/to/ravochat-server --out folder/for/screenshots

'use strict';

const { sleep, startServer, visitor, frameText, waitForText, say, shoot, run } =
  require('./support');

// Payload families that ran script through the markup of a line, each setting top.pwned.
const PAYLOADS = [
  '#<script>top.pwned="script"</script>脚本',
  '#<img src=x onerror="top.pwned=\'img\'">图片',
  '#<a href="javascript:top.pwned=\'href\'" id=jslink>链接</a>',
  '#<iframe src="javascript:top.pwned=\'iframe\'"></iframe>框架',
];
const FORMATTED = '#<b>粗体</b><font color=red>红字</font><a href="http://example.com/">外链</a>';

async function markupRunsNoScript(poster, viewer) {
  // One line at a time: a new post replaces the answer frame of the one before.
  const words = ['脚本', '图片', '链接', '框架', '外链'];
  for (const [i, p] of [...PAYLOADS, FORMATTED].entries()) {
    await say(poster, p, { to: '大家' });  // the last private line's addressee has left
    await waitForText(poster, 'say1', words[i], 5000);
  }
  await waitForText(viewer, 'say1', '外链');
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
    if (found.attrs.length || found.banned || !found.bold || !found.red || !found.link ||
        !words.every((w) => found.text.includes(w))) {
      throw new Error(`${v.name} got live markup or lost formatting: ${JSON.stringify(found)}`);
    }
  }
}

run(async (serverPath, outDir) => {
  // Markup for everyone, and no flood limit for the quick run of markup lines.
  const { server, base } =
    await startServer(serverPath, ['--set', 'l_allhtml=0', '--set', 'floodlines=0']);

  const ming = await visitor(base, '小明', 'mingpass1', '0', '1');
  const bob = await visitor(base, 'bob', 'bobpass1', '0', '1');
  const cat = await visitor(base, 'cat', 'catpass1', '1', '1');

  const line = '大家好，我是小明！今天天气真好。';
  await say(ming, line);
  await waitForText(bob, 'say1', line);
  const secret = '这是只给bob的悄悄话';
  await say(ming, secret, { to: 'bob', secret: true });
  await waitForText(bob, 'say2', secret);
  await sleep(7000);  // cat has polled since
  const catSees = (await frameText(cat, 'say1')) + (await frameText(cat, 'say2'));
  if (catSees.includes(secret) || !catSees.includes(line)) throw new Error('cat saw: ' + catSees);

  await bob.frame('listtitle').click('#tab-rooms');
  await waitForText(bob, 'list', '情感天地', 5000);
  await bob.frame('list').click('div.room[data-room="2"]');
  await waitForText(bob, 'list', '情感天地（1人）', 10000);
  await waitForText(ming, 'say1', 'bob离开了本房间，去了情感天地');

  await markupRunsNoScript(ming, cat);

  await sleep(6500);  // the people list redraws on the timer
  await shoot(ming, outDir, 'chat_window.png');

  const code = await new Promise((resolve) => {
    server.on('exit', (c, signal) => resolve(c === null ? signal : c));
    server.kill('SIGTERM');
  });
  if (code !== 0) throw new Error(`the server stopped with ${code} on SIGTERM`);
});
