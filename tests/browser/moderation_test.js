// Moderation in a real browser: the operator raises a chatter's level on the administration
// site; a visitor who floods the room has his lines refused; the moderator sends him out from
// the people list's tools; his window goes to the closing page at its next poll, his login is
// refused with the kicked text, and the management log holds the entry. Saves screenshots of
// the administration site's visitors, settings and statistics pages.
//
//   node moderation_test.js --server path/to/ravochat-server --out folder/for/screenshots

'use strict';

const { startServer, browser, logIn, visitor, waitForText, say, shoot, run, POLL_WAIT_MS } =
  require('./support');

run(async (serverPath, outDir) => {
  const { base } = await startServer(serverPath,
    ['--set', 'floodlines=3', '--set', 'floodseconds=30', '--set', 'floodstrikes=9']);
  const mod = await visitor(base, 'mod', 'modpass1', '0', '1');
  const spam = await visitor(base, 'spam', 'spampass1', '0', '1');

  // Without an operator password the site serves loopback, the operator's own machine.
  const op = await browser('operator');
  await op.page.goto(base + '/admin/accounts.asp?q=mod');
  await op.page.fill('#accounts input[name=level]', '7');
  await Promise.all([op.page.waitForNavigation(),
    op.page.click('#accounts input[value="设级别"]')]);
  await op.page.waitForSelector('text=设置mod的级别为7');

  await mod.page.reload();
  await waitForText(mod, 'list', 'spam', 15000);
  for (let i = 0; i < 5; i++) await say(spam, `刷屏${i}`);
  await waitForText(spam, 'say2', '您发言太快了');

  await mod.frame('listtitle').click('#tab-people');
  await mod.frame('list').click('div.p[data-name="spam"]');
  await mod.frame('list').waitForSelector('#tool-mod');
  await mod.frame('list').click('#tool-mod');
  const list = mod.frame('list');
  await list.waitForSelector('form.tool input[value="踢出"]');
  await list.fill('form.tool:has(input[value="踢出"]) input[name=text]', '刷屏');
  await Promise.all([list.waitForNavigation(), list.click('input[value="踢出"]')]);
  await waitForText(mod, 'list', '把spam踢出聊天室10分钟', 5000);

  await spam.page.waitForURL(/close\.asp$/, { timeout: POLL_WAIT_MS });
  const refusal = await logIn(spam, base, 'spampass1', { refused: true });
  if (!refusal.includes('您是被赶出聊天室的')) throw new Error(`spam was let in: ${refusal}`);

  await op.page.goto(base + '/admin/log.asp');
  await op.page.waitForSelector('#log >> text=把spam踢出聊天室10分钟');
  await op.page.goto(base + '/admin/visitors.asp');
  await op.page.waitForSelector('#visitors >> text=mod');
  await shoot(op, outDir, 'admin-visitors.png', true);
  await op.page.goto(base + '/admin/settings.asp');
  await shoot(op, outDir, 'admin-settings.png', true);
  await op.page.goto(base + '/admin/stats.asp');
  await op.page.waitForSelector('#hourchart rect:not([height="0"])');
  await shoot(op, outDir, 'admin-statistics.png', true);
});
