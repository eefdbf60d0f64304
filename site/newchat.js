// newchat.js: the script of the chat window. The chat page (chat.asp) defines the
// visitor's and the room's settings before this file; the pages loaded into the hidden
// frames call the functions below through "parent.": addsay, ref, clearsay, clearper,
// showlist, addl, dell, chftitle, chttitle, chuser, sysmsg and showrooms. In the lines
// of the message panes "##" stands for the speaker and "%%" for the one spoken to.

var mdstr = '';          // extra head markup for the title frame
var listflag = 1;        // 1 while the list frame shows the people list
var newlist = 0;         // 1 when the people list changed since it was drawn
var listreftime = 0;     // ticks since the people list was drawn
var noreftime = 0;       // ticks since the last poll answered
var transtimer = 0;      // ticks since the news line turned
var i_mms = 0;           // index of the news line shown
var allusernum = 0;      // people online in the whole chat
var userlist = new Array();  // 'name sex face text' of everyone in the room
var lastsayid = 0;       // newest message number the window knows
var shownsayid = 0;      // newest message number put into a pane
var titlebox = null;     // the room title until the title frame is painted
var toptitlebox = null;
var roomrows = null;     // the room list as last received
var currentroom = '';
var listview = 'people';
var maxpanelines = 400;

// The window of the frame named `n`; the frames are looked up by element because some
// of their names (refresh) are also names of functions here.
function frameWin(n) {
  var f = document.getElementsByName(n);
  for (var i = 0; i < f.length; i++) {
    if (f[i].tagName == 'FRAME' || f[i].tagName == 'IFRAME') return f[i].contentWindow;
  }
  return null;
}

function esc(s) {
  return String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
      .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
}

// A colour value as CSS accepts it ('990066' -> '#990066'); '' when it is none.
function cssColor(c) {
  c = String(c || '').replace(/^\s+|\s+$/g, '');
  if (/^[0-9a-fA-F]{6}$|^[0-9a-fA-F]{3}$/.test(c)) return '#' + c;
  if (/^#[0-9a-fA-F]{3,8}$|^[a-zA-Z]{3,20}$/.test(c)) return c;
  return '';
}

// A text colour that reads well on the background colour `bg`.
function readableOn(bg) {
  var c = cssColor(bg).replace('#', '');
  if (c.length == 3) c = c.replace(/(.)/g, '$1$1');
  if (c.length < 6) return '#000066';
  var r = parseInt(c.substr(0, 2), 16), g = parseInt(c.substr(2, 2), 16),
      b = parseInt(c.substr(4, 2), 16);
  return (0.299 * r + 0.587 * g + 0.114 * b) < 140 ? '#ffffff' : '#000066';
}

function roomRobot() {
  return String(roomauto || '').replace(/^</, '');
}

// ---- message panes -------------------------------------------------------------

function paneStyle() {
  var size = parseFloat(saysize) || 10.5;
  var height = parseInt(LHeight, 10) || 150;
  var back = cssColor(bgcolor) || '#ffffff';
  return '<style>body{margin:4px 6px;background:' + back + ';font-size:' + size +
      'pt;line-height:' + height + '%;font-family:"WenQuanYi Zen Hei","Noto Sans CJK SC",' +
      '"Microsoft YaHei",SimSun,sans-serif;word-wrap:break-word}' +
      '.line{margin:1px 0}.time{color:#999;font-size:80%}.name{cursor:pointer;color:#00c;' +
      'text-decoration:none}.name:hover{text-decoration:underline}.sys{color:#990066}' +
      '.notice{color:#666}.private{background:#fff6e8}.tome{background:#eef6ff}' +
      'small{color:#c06;font-size:80%}</style>';
}

// The document of pane `n`, prepared on first use.
function paneDoc(n) {
  var w = frameWin(n);
  if (!w) return null;
  var d = w.document;
  if (!d.getElementById('msgs')) {
    d.open();
    d.write('<!DOCTYPE html><html><head><meta charset="utf-8">' + paneStyle() +
        '</head><body><div id="msgs"></div></body></html>');
    d.close();
  }
  return d;
}

function clearpane(n) {
  var d = paneDoc(n);
  if (d) d.getElementById('msgs').innerHTML = '';
}

// Forgets every line: the next lines fill the panes anew.
function clearsay() {
  clearpane('say1');
  clearpane('say2');
  shownsayid = 0;
}

// Empties the panes but keeps counting, so lines already seen do not come back.
function clearscreen() {
  clearpane('say1');
  clearpane('say2');
}

// Puts the HTML of a line into pane `n`. Script blocks are always taken out; they run in
// this window (where their "parent." is the chat window itself) only when `runs` is set,
// for the lines the chat writes itself, never for a visitor's line.
function putline(n, html, cls, runs) {
  var d = paneDoc(n);
  if (!d) return;
  var scripts = [];
  html = html.replace(/<script[^>]*>([\s\S]*?)<\/script>/gi, function (m, code) {
    scripts.push(code);
    return '';
  });
  if (html.replace(/<[^>]*>|\s/g, '') != '') {
    var box = d.getElementById('msgs');
    var line = d.createElement('div');
    line.className = 'line ' + (cls || '');
    line.innerHTML = html;
    box.appendChild(line);
    while (box.childNodes.length > maxpanelines) box.removeChild(box.firstChild);
    var win = frameWin(n);
    if (win) win.scrollTo(0, d.body.scrollHeight);
  }
  for (var i = 0; runs && i < scripts.length; i++) {
    try {
      (new Function(scripts[i]))();
    } catch (e) {}
  }
}
function nameLink(name) {
  if (name === '' || name == '大家') return esc(name || '大家');
  return '<a class="name" onclick="parent.chuser(this.textContent)">' + esc(name) + '</a>';
}

var actwords = ['说', '微笑着说', '大声喊道', '轻声说', '哈哈大笑着说', '难过地说',
                '生气地说', '温柔地说', '得意地说', '小心翼翼地问'];

// One message: number, text, sender, addressee, secret flag, two colours, action code,
// time. Private lines and lines for the visitor alone go to the lower pane.
function putsay(n, text, from, to, secret, c1, c2, act, time) {
  if (n > 0) {
    if (n <= shownsayid) return;
    shownsayid = n;
  }
  text = String(text);
  var color1 = cssColor(c1), color2 = cssColor(c2);
  var stamp = time ? '<span class="time">(' + esc(time) + ')</span> ' : '';
  var isprivate = secret != 0 || n < 0;
  var pane = isprivate ? 'say2' : 'say1';
  var html, cls = '';
  if (act == -3 || act == -1) {
    // Notices and actions: the names go where "##" and "%%" stand.
    var other = act == -3 ? '<b>' + esc(to) + '</b>' : nameLink(to);
    var body = text.split('##').join(nameLink(from)).split('%%').join(other);
    if (text.indexOf('##') < 0 && act == -1) body = nameLink(from) + ' ' + body;
    html = stamp + '<span' + (color1 ? ' style="color:' + color1 + '"' : '') + '>' + body +
        '</span>';
    cls = act == -3 ? 'notice' : '';
  } else if (act == -5) {
    html = '<span class="sys">' + text + '</span>';
  } else if (act == -2) {
    html = stamp + '<span class="sys">' + text + '</span>';
    pane = 'say2';
  } else {
    var verb = actwords[act] || actwords[0];
    var word = function (s) {
      return color2 ? '<span style="color:' + color2 + '">' + s + '</span>' : s;
    };
    html = stamp + nameLink(from) + word(secret != 0 ? '悄悄地对' : '对') + nameLink(to) +
        word(verb + '：') + '<span' + (color1 ? ' style="color:' + color1 + '"' : '') + '>' +
        text + '</span>';
    if (to == myname || from == myname) cls = isprivate ? 'private' : 'tome';
  }
  // Entry and departure notices (-3) and the chat's own notices and titles (-5) carry the
  // scripts that update the user list, the title and the message window.
  putline(pane, html, cls, act == -3 || act == -5);
}

// parent.addsay(n, text, from, to, secret, c1, c2, act, time, ..., ''): nine values per
// message, oldest first. A number not followed by a text is a slot never written.
function addsay() {
  var a = arguments;
  for (var i = 0; i < a.length;) {
    if (typeof a[i] != 'number' || typeof a[i + 1] != 'string' || i + 9 > a.length) {
      i++;
      continue;
    }
    putsay(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5], a[i + 6], a[i + 7], a[i + 8]);
    i += 9;
  }
}

// A line of the chat itself for this visitor alone.
function sysmsg(text) {
  var now = new Date();
  var two = function (x) { return (x < 10 ? '0' : '') + x; };
  putsay(-1, '【系统】' + text, '', myname, 0, '990066', '', -2,
         two(now.getHours()) + ':' + two(now.getMinutes()) + ':' + two(now.getSeconds()));
}

// Every poll ends here with the newest message number of the chat. The browser keeps it for
// the chat's folder: a poll that another server of the chat answers starts after it.
function ref(n) {
  lastsayid = n;
  document.cookie = 'lastsayid=' + n + '; path=' + location.pathname.replace(/[^\/]*$/, '') +
                    '; SameSite=Lax';
  noreftime = 0;
  var f = inputForm();
  if (f && f.elements['id']) f.elements['id'].value = n;
}

// Reloads the polling frame (the timer calls it when polls stopped answering). An open
// channel is the window's poll: it answers only when something changed.
function refresh() {
  if (leaving || (channel && channel.readyState == 1)) return;
  var r = frameWin('refresh');
  if (r) r.location.replace('refresh.asp');
}

// ---- the push channel --------------------------------------------------------------
// Where the browser offers event streams, the window listens on channel.asp, which the
// server writes to the moment a line is stored, with the script a poll's page would run.
// While the channel delivers, the polling frame stays blank between the pages loaded into
// it; after two failures within a minute the window polls every 6 seconds as before.

var channel = null;       // the open event stream
var channellive = false;  // it has delivered since it opened
var channelfails = [];    // times of its failures within the last minute
var pollonly = false;     // the channel failed: the window polls
var framebusy = false;    // a form or a room change is loading into the polling frame
var leaving = false;      // the window is on its way to another page

// A window on its way out (its leave link, a reload, another address) stops listening and
// polling at once: the end of the visitor's session must not send it to the error page
// instead of where it was going.
window.addEventListener('beforeunload', function () {
  leaving = true;
  closechannel();
  var r = frameWin('refresh');
  try {
    if (r) r.stop();
  } catch (e) {}
});

// Runs the statements of a poll's page here, where their "parent" is this window.
function runpoll(code) {
  try {
    (new Function('parent', code))(window);
  } catch (e) {}
}

function openchannel() {
  if (leaving || channel || pollonly || !window.EventSource) return;
  channel = new EventSource('channel.asp' + (lastsayid > 0 ? '?sayid=' + lastsayid : ''));
  channel.onmessage = function (e) {
    channellive = true;
    runpoll(e.data);
    quietframe();
  };
  // The visitor may poll no more: the statements send the window away.
  channel.addEventListener('end', function (e) {
    closechannel();
    runpoll(e.data);
  });
  channel.onerror = channelfailed;
}

function closechannel() {
  if (channel) channel.close();
  channel = null;
  channellive = false;
}

// The stream reconnects by itself, naming the last number it holds; a second failure
// within a minute (or a refusal) returns the window to polling.
function channelfailed() {
  var now = Date.now();
  channelfails.push(now);
  while (channelfails.length && now - channelfails[0] > 60000) channelfails.shift();
  if (channelfails.length < 2 && channel && channel.readyState != 2) return;
  closechannel();
  pollonly = true;
  refresh();
}

// Ends the polling frame's timer while the channel delivers, unless a form is loading there.
function quietframe() {
  if (!channellive || framebusy) return;
  var r = frameWin('refresh');
  try {
    if (r && r.location.href != 'about:blank') r.location.replace('about:blank');
  } catch (e) {}
}

// Every page loaded into the polling frame has run its statements when it has loaded.
function framedone() {
  framebusy = false;
  openchannel();
  quietframe();
}

// ---- the title frame -------------------------------------------------------------

function titleDiv(id) {
  var t = frameWin('title');
  try {
    return t ? t.document.getElementById(id) : null;
  } catch (e) {
    return null;
  }
}

function chftitle(t) {
  titlebox = t;
  var d = titleDiv('fTitle');
  if (d) d.innerHTML = '<span style="color:' + readableOn(bc2) + '">' + t + '</span>';
}

function chttitle(t) {
  toptitlebox = t;
  var d = titleDiv('tTitle');
  if (d) d.innerHTML = '〖' + esc(roomname) + '〗' + t;
}

// ---- the people list -------------------------------------------------------------

function personName(entry) {
  return String(entry).split(' ')[0];
}

function addl(name, sex, face, text) {
  dellquiet(name);
  userlist[userlist.length] = name + ' ' + sex + ' ' + face + ' ' + (text || '');
  newlist = 1;
}

function dellquiet(name) {
  for (var i = userlist.length - 1; i >= 0; i--) {
    if (personName(userlist[i]) == name) userlist.splice(i, 1);
  }
}

function dell(name) {
  dellquiet(name);
  newlist = 1;
}

function clearper() {
  userlist = new Array();
  newlist = 1;
}

function listDoc() {
  var w = frameWin('list');
  if (!w) return null;
  var d = w.document;
  if (!d.getElementById('view')) {
    d.open();
    d.write('<!DOCTYPE html><html><head><meta charset="utf-8"><style>body{margin:4px;' +
        'font-size:10.5pt;font-family:"WenQuanYi Zen Hei",sans-serif;background:#f7fbff}' +
        'div.p{padding:2px 0;cursor:pointer;white-space:nowrap}div.p:hover{background:#dde}' +
        '.me{font-weight:bold}.sex1{color:#c06}.sex0{color:#06c}.room{padding:3px 0;' +
        'cursor:pointer}.room:hover{background:#dde}.here{font-weight:bold;color:#900}' +
        '.shut{color:#999}h4{margin:2px 0 6px;font-size:10pt;color:#336}.tools{font-size:9pt;' +
        'color:#667;margin:0 0 6px}.tools a{color:#336699;cursor:pointer;' +
        'text-decoration:underline}@media (pointer:coarse){body{font-size:16px}div.p,' +
        '.room{padding:9px 0;border-bottom:1px solid #e4ecf4}.tools a{margin-right:10px}}' +
        '</style></head>' +
        '<body><div id="view"></div></body></html>');
    d.close();
  }
  return d;
}

// Draws the people list of the room and refreshes the choice of addressees.
function showlist() {
  newlist = 0;
  listreftime = 0;
  fillTargets();
  showcount();
  if (!listflag) return;
  listview = 'people';
  var d = listDoc();
  if (!d) return;
  var html = '<h4>' + esc(roomname) + '（' + userlist.length + '人）</h4>';
  html += '<div class="tools">对选中的人：<a id="tool-call" onclick="parent.memberpage(\'call.asp\',1)">' +
      '呼叫</a> <a id="tool-note" onclick="parent.memberpage(\'guest.asp\',1)">留言</a> ' +
      '<a id="tool-friend" onclick="parent.memberpage(\'friend.asp\',1)">加好友</a><br>' +
      '<a id="tool-set" onclick="parent.memberpage(\'userset.asp\',0)">设置</a> ' +
      '<a id="tool-guest" onclick="parent.memberpage(\'guest.asp\',0)">留言簿</a>' +
      (modacts ? ' <a id="tool-mod" onclick="parent.memberpage(\'modtools.asp\',1)">管理</a>' : '') +
      '</div>';
  html += '<div class="p" onclick="parent.chuser(\'大家\')">大家</div>';
  for (var i = 0; i < userlist.length; i++) {
    var p = String(userlist[i]).split(' ');
    var sex = p[1] == '1' ? 1 : 0;
    html += '<div class="p' + (p[0] == myname ? ' me' : '') + '" data-name="' + esc(p[0]) +
        '" onclick="parent.chuser(this.getAttribute(\'data-name\'))"><span class="sex' + sex +
        '">' + (sex ? '♀' : '♂') + '</span> ' + esc(p[0]) +
        (p[0] == room_owner ? ' <small>(房主)</small>' : '') + '</div>';
  }
  d.getElementById('view').innerHTML = html;
}

function showcount() {
  var w = frameWin('listtitle');
  try {
    var c = w && w.document.getElementById('count');
    if (c) c.textContent = allusernum;
  } catch (e) {}
}

// Opens one of the chatter's own pages in the list frame; `withname` hands it the
// addressee chosen in the input bar. The name goes into the address as it is, so the
// browser writes it in the page's encoding, as the pages read it.
function memberpage(url, withname) {
  var f = inputForm();
  var to = f && f.towho ? f.towho.value : '';
  listflag = 0;
  var w = frameWin('list');
  if (w) w.location.href = url + (withname && to ? '?towho=' + to : '');
}

// The moderation actions this visitor may take ("kick,freeze,..."); the people list offers
// the tools only when there are any.
var modacts = '';
function loadModActs() {
  var x = new XMLHttpRequest();
  x.onload = function () {
    if (x.status != 200) return;
    modacts = x.responseText;
    if (modacts) newlist = 1;
  };
  x.open('GET', 'modacts.asp');
  x.send();
}

// ---- the room list ---------------------------------------------------------------

function viewpeople() {
  listflag = 1;
  showlist();
}

function viewrooms() {
  listflag = 0;
  listview = 'rooms';
  var w = frameWin('newsay');
  if (w) w.location.replace('roomlist.asp');
}

// rows: [id, name, people, open] for every room; current: the visitor's room.
function showrooms(rows, current) {
  roomrows = rows;
  currentroom = String(current);
  if (listview != 'rooms') return;
  var d = listDoc();
  if (!d) return;
  var html = '<h4>房间列表</h4>';
  for (var i = 0; i < rows.length; i++) {
    var r = rows[i];
    var here = String(r[0]) == currentroom;
    html += '<div class="room' + (here ? ' here' : '') + (r[3] ? '' : ' shut') +
        '" data-room="' + esc(r[0]) + '" onclick="parent.changeroom(this.getAttribute(' +
        '\'data-room\'))">' + esc(r[1]) + '（' + r[2] + '）' + (r[3] ? '' : ' 关门') +
        (here ? ' ←' : '') + '</div>';
  }
  d.getElementById('view').innerHTML = html;
}

// Asks to move to room `id`; the answer loads into the polling frame.
function changeroom(id) {
  if (String(id) == currentroom) return;
  var r = frameWin('refresh');
  framebusy = true;
  if (r) r.location.replace('changeroom.asp?toroom=' + encodeURIComponent(id));
  listflag = 1;
  setTimeout(viewpeople, 800);
}

// ---- the input frame -------------------------------------------------------------

function inputForm() {
  var w = frameWin('input');
  try {
    return w && w.document.forms[0] ? w.document.forms[0] : null;
  } catch (e) {
    return null;
  }
}

// The addressee choice: everyone, the room's robot and the people present.
function fillTargets() {
  var f = inputForm();
  if (!f || !f.towho) return;
  var sel = f.towho, keep = sel.value || '大家';
  var names = ['大家'];
  if (roomRobot()) names.push(roomRobot());
  for (var i = 0; i < userlist.length; i++) {
    var n = personName(userlist[i]);
    if (n && names.indexOf(n) < 0) names.push(n);
  }
  if (names.indexOf(keep) < 0) keep = '大家';
  sel.options.length = 0;
  for (var j = 0; j < names.length; j++) {
    sel.options[sel.options.length] = new Option(names[j], names[j], false, names[j] == keep);
  }
}

// Chooses `name` as the addressee of the next line.
function chuser(name) {
  var f = inputForm();
  if (!f || !f.towho) return;
  var sel = f.towho, found = false;
  for (var i = 0; i < sel.options.length; i++) {
    if (sel.options[i].value == name) {
      sel.selectedIndex = i;
      found = true;
    }
  }
  if (!found) {
    sel.options[sel.options.length] = new Option(name, name, true, true);
  }
  if (f.saystemp) f.saystemp.focus();
}

// Checks and completes the line before the input form posts it.
function checksay(f) {
  var text = f.saystemp.value.replace(/^\s+|\s+$/g, '');
  if (text.length < (parseInt(minsayslength, 10) || 1)) {
    sysmsg('发言太短了！');
    return false;
  }
  f.elements['says'].value = text;
  f.elements['id'].value = lastsayid;
  framebusy = true;
  f.saystemp.value = '';
  setTimeout(function () {
    if (f.istitle) f.istitle.checked = false;
    f.saystemp.focus();
  }, 0);
  return true;
}

// ---- start and the timer ---------------------------------------------------------

function tick() {
  try {
    refcheck();
  } catch (e) {}
  showcount();
}

function startchat() {
  try {
    inittitle();
    var td = frameWin('title').document;
    td.close();
    // The title frame's background is the visitor's second colour: keep its text readable.
    td.body.style.color = readableOn(bc2);
    var f = td.getElementById('fTitle');
    var font = f && f.firstElementChild;
    if (font && font.tagName == 'FONT') font.color = readableOn(bc2);
  } catch (e) {}
  if (titlebox !== null) chftitle(titlebox);
  if (toptitlebox !== null) chttitle(toptitlebox);
  paneDoc('say1');
  paneDoc('say2');
  listDoc();
  var frames = document.getElementsByName('refresh');
  for (var i = 0; i < frames.length; i++) frames[i].addEventListener('load', framedone);
  var r = frameWin('refresh');
  framebusy = true;
  if (r) r.location.replace('saylist.asp');
  loadModActs();
  setInterval(tick, 1000);
}

window.addEventListener('load', startchat);
