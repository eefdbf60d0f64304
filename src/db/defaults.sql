-- The rows of a new chat: its settings, four kept rooms, a dozen actions, the robots'
-- sayings and two news lines. In the texts that reach the message panes "##" stands for
-- the speaker and "%%" for the one spoken to (a visitor, or a room in the room notices);
-- the browser puts the names in. These texts hold no quotes or backslashes, since they
-- travel inside single-quoted script strings.

INSERT INTO sysparam (alias, body) VALUES
  -- Messages: the ring keeps the newest 101 lines.
  ('maxtalk', '2999'),
  ('maxsayslength', '200'),
  ('minsayslength', '1'),
  ('saysfilterstr', '他妈的,操你妈,傻逼,王八蛋'),
  ('enablesaysfilter', '1'),
  ('titlelength', '30'),
  -- Minutes without a line, and minutes after login, before the chat window closes.
  ('nosaytimeout', '30'),
  ('dontsavevalue', '240'),
  -- Client timer ticks before a changed people list is drawn again.
  ('listreftime', '5'),
  -- Levels from which a visitor may set room titles, use [ ] tags, post HTML, and pass
  -- every room restriction.
  ('l_title', '3'),
  ('l_tt', '5'),
  ('l_allhtml', '8'),
  ('l_delroom', '9'),
  -- Levels from which a visitor may send someone out of the chat, freeze an account, lock
  -- an address, give a temporary level, and change a room's door, robot name (the title
  -- follows l_title). Nobody acts on someone of his own level or above.
  ('l_kick', '6'),
  ('l_freeze', '8'),
  ('l_lock', '8'),
  ('l_level', '9'),
  ('l_door', '6'),
  ('l_robot', '6'),
  -- Flood control: at most 5 lines in 10 seconds; the third line refused sends the poster
  -- out for 5 minutes. At most 10 logins a minute from one address.
  ('floodlines', '5'),
  ('floodseconds', '10'),
  ('floodstrikes', '3'),
  ('floodkick', '5'),
  ('loginsperminute', '10'),
  -- Guessing: after 10 wrong passwords for one name in 15 minutes, that name's logins are
  -- refused for the rest of the 15 minutes, from every address.
  ('loginfails', '10'),
  ('loginfailminutes', '15'),
  -- Stored passwords are argon2id hashes of 19 MiB and 2 passes, some tens of milliseconds of
  -- one core per login; at most one hash per core runs at once.
  ('passwordmemory', '19'),
  ('passwordpasses', '2'),
  -- Names: 2 to 10 units, a Chinese character counting 2.
  ('usernamefilter', 'admin,管理员,系统,客服'),
  ('usernameenable', '_'),
  ('namelength', '2'),
  ('maxnamelength', '5'),
  -- Admission.
  ('maxpeople', '200'),
  ('disableproxy', '0'),
  ('disablenewuser', '0'),
  ('newusernum', '3'),
  -- Colours offered for the two face colours and the background.
  ('facecolorstr', '#000000 #0000FF #CC0000 #008000 #990099 #FF6600 #006699'),
  ('backgroudcolorstr', '#FFFFFF #F0F8FF #FFF8E7 #F0FFF0 #FFF0F5 #F5F5F5'),
  -- Announcements: text::first colour::second colour.
  ('enterchatshow', '【欢迎】##兴高采烈地走进了%%，大家热烈欢迎！::#CC0000::#0000FF'),
  ('reentershow', '【重返】##又回到了%%，接着聊吧！::#CC0000::#0000FF'),
  ('enterroomshow', '【来访】##从%%来到了本房间，大家欢迎！::#008000::#0000FF'),
  ('exitroomshow', '【离开】##离开了本房间，去了%%。::#808080::#0000FF'),
  -- Daily clean-up: periods in days, switches on at 1.
  ('calltimeout', '7'),
  ('friendtimeout', '30'),
  ('gbtimeout', '30'),
  ('managelogtimeout', '90'),
  ('autocleargb', '1'),
  ('autoclearmanagelog', '1'),
  ('autoclearusername', '1'),
  ('usernameoncetimeout', '30'),
  ('usernametimeout', '365'),
  -- Rooms: allowance after the last visit in minutes, minus 60 per day of age; a room
  -- above 10000 popularity is kept for good.
  ('roomautoclear', '1'),
  ('roomtimeout', '1440'),
  ('roomexpperday', '60'),
  ('roomkeepexp', '10000'),
  -- Statistics: logins counted, and logins per clock hour with the latest hour last.
  ('visitor', '0'),
  ('hour24', '0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0');

INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title,
                  room_keep, room_time, room_tt, room_html, room_exp, build_time,
                  permit_level, door_open) VALUES
  (1, '大厅', '站长', '小灵', '聊天室的大厅，新朋友老朋友都在这里。', '欢迎来到大厅',
   '请文明聊天，友善待人', 1, now(), '0', '0', 0, now(), 0, 1),
  (2, '情感天地', '小雨', '阿呆', '说说心里话，聊聊喜怒哀乐。', '有话慢慢说',
   '真心换真心', 1, now(), '0', '0', 0, now(), 0, 1),
  (3, '校园青春', '阿峰', '小白', '同学们的聚会角落，功课恋爱都能聊。', '青春无悔',
   '今天你上课了吗', 1, now(), '0', '0', 0, now(), 0, 1),
  (4, '天南地北', '老王', '小黑', '五湖四海的朋友，说说你那里的风土人情。', '四海之内皆兄弟',
   '你从哪里来', 1, now(), '0', '0', 0, now(), 0, 1);

INSERT INTO action (act_name, toall, toself, toother) VALUES
  ('问好', '##向大家挥挥手：大家好！', '##对着镜子向自己问了声好。',
   '##热情地向%%问好：你好呀！'),
  ('拥抱', '##张开双臂，给了大家一个大大的拥抱！', '##紧紧抱住了自己，好孤单啊……',
   '##给了%%一个温暖的拥抱。'),
  ('鼓掌', '##为大家热烈鼓掌！', '##给自己鼓了鼓掌：真棒！', '##为%%热烈鼓掌，啪啪啪！'),
  ('大笑', '##笑得前仰后合，把大家都逗乐了。', '##想起自己的糗事，忍不住哈哈大笑。',
   '##看着%%哈哈大笑起来。'),
  ('哭', '##哇的一声哭了出来，谁来安慰一下？', '##躲在角落里偷偷地哭。',
   '##趴在%%的肩膀上哭了起来。'),
  ('握手', '##和大家一一握手。', '##左手握住了右手。', '##紧紧握住%%的手：幸会幸会！'),
  ('飞吻', '##向大家送出一个飞吻！', '##对着镜子给了自己一个飞吻。',
   '##向%%送了一个甜甜的飞吻。'),
  ('鞠躬', '##向大家深深地鞠了一躬。', '##对自己鞠了一躬，自己都觉得奇怪。',
   '##恭恭敬敬地向%%鞠了一躬。'),
  ('敬茶', '##给大家每人端上一杯香茶。', '##给自己泡了一杯好茶，慢慢品着。',
   '##双手给%%端上一杯热茶：请用茶！'),
  ('再见', '##向大家挥手：我先走啦，再见！', '##对自己说：该走了。',
   '##向%%挥手道别：再见，下次再聊！'),
  ('发呆', '##望着大家发起呆来。', '##托着下巴发呆，不知道在想什么。',
   '##盯着%%发呆，口水都流下来了。'),
  ('拍肩', '##拍了拍每个人的肩膀。', '##拍了拍自己的肩膀：加油！', '##轻轻拍了拍%%的肩膀。');

-- The robot draws an id from 0 to the number of rows minus 1, so the ids start at 0.
INSERT INTO autoact (id, text_body) VALUES
  (0, '你好呀，我是本房间的机器人，有什么可以帮你的吗？'),
  (1, '今天天气不错，正适合聊天！'),
  (2, '这个问题太深奥了，让我想想……'),
  (3, '哈哈，你真会说话！'),
  (4, '我只是个机器人，别为难我啦。'),
  (5, '多交朋友多聊天，心情会更好哦。'),
  (6, '请文明聊天，不要刷屏哦！'),
  (7, '听说站长最近很忙，有事可以给他留言。'),
  (8, '困了吧？喝杯茶提提神。'),
  (9, '你说的我都记在小本本上了。'),
  (10, '嗯嗯，然后呢？'),
  (11, '别光跟我聊，房间里还有好多朋友呢！');

INSERT INTO scrollad (ID, ad_title, ad_link) VALUES
  (1, '欢迎光临本聊天室，请文明聊天，友善待人！', 'help.htm'),
  (2, '新朋友请先看看聊天室的使用说明。', 'help.htm');
