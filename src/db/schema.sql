-- The chat's tables. Dates are TEXT in the form 'YYYY-MM-DD HH:MM:SS' (local time), so
-- they compare as text and datediff() reads them. User names compare without regard to
-- ASCII letter case, as the login's lookups expect ("Abc" finds the row of "abc").
-- Plain CREATE TABLE: creating over an existing chat database fails instead of doubling
-- its default rows.

-- Configuration: one row per setting, loaded as the application value "_" || alias.
CREATE TABLE sysparam (
  alias TEXT NOT NULL,
  body TEXT
);

CREATE TABLE room (
  ID INTEGER PRIMARY KEY,
  room_name TEXT NOT NULL DEFAULT '',
  room_owner TEXT,
  room_auto TEXT,
  room_des TEXT,
  room_top TEXT,
  room_title TEXT,
  room_keep INTEGER NOT NULL DEFAULT 0,
  room_time TEXT,
  room_tt TEXT DEFAULT '0',
  room_html TEXT DEFAULT '0',
  room_exp INTEGER NOT NULL DEFAULT 0,
  build_time TEXT,
  permit_level INTEGER NOT NULL DEFAULT 0,
  door_open INTEGER NOT NULL DEFAULT 1
);

CREATE TABLE "user" (
  username TEXT NOT NULL COLLATE NOCASE,
  passwd TEXT,
  temppass TEXT,
  headface INTEGER DEFAULT 1010,
  sex INTEGER DEFAULT 0,
  log_time TEXT,
  user_level INTEGER DEFAULT 1,
  first_ip TEXT,
  last_ip TEXT,
  visit_num INTEGER DEFAULT 1,
  in_time TEXT,
  out_time TEXT,
  out_info INTEGER DEFAULT 0,
  exp_num INTEGER DEFAULT 0,
  f_size INTEGER DEFAULT 4,
  l_height INTEGER DEFAULT 6,
  n_color INTEGER DEFAULT 0,
  s_color INTEGER DEFAULT 0,
  bgcolor TEXT,
  friends TEXT DEFAULT '',
  saved INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX user_username ON "user" (username);
CREATE INDEX user_first_ip ON "user" (first_ip, log_time);

-- Temporary levels above the stored one.
CREATE TABLE vrecord (
  username TEXT NOT NULL COLLATE NOCASE,
  temp_level INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX vrecord_username ON vrecord (username);

-- Locked client addresses: a row matches every address that contains its ip text.
CREATE TABLE ip_lock (
  ID INTEGER PRIMARY KEY,
  ip TEXT NOT NULL,
  end_time TEXT,
  act_level INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE calls (
  ID INTEGER PRIMARY KEY,
  who TEXT COLLATE NOCASE,
  towho TEXT COLLATE NOCASE,
  message TEXT,
  calltime TEXT,
  read INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX calls_towho ON calls (towho);

CREATE TABLE guestbook (
  ID INTEGER PRIMARY KEY,
  who TEXT COLLATE NOCASE,
  towho TEXT COLLATE NOCASE,
  message TEXT,
  post_time TEXT
);
CREATE INDEX guestbook_towho ON guestbook (towho);

CREATE TABLE friendrq (
  ID INTEGER PRIMARY KEY,
  who TEXT COLLATE NOCASE,
  towho TEXT COLLATE NOCASE,
  sub_time TEXT
);
CREATE INDEX friendrq_towho ON friendrq (towho);

-- The management log: occ_env holds seven ">"-separated fields.
CREATE TABLE record (
  ID INTEGER PRIMARY KEY,
  stype INTEGER NOT NULL,
  occ_time TEXT,
  occ_env TEXT
);

-- Chat actions: "/" followed by act_name picks the text for everybody, oneself or another.
CREATE TABLE action (
  act_name TEXT NOT NULL,
  toall TEXT,
  toself TEXT,
  toother TEXT
);
CREATE INDEX action_act_name ON action (act_name);

-- Robot sayings; the robot picks an id from 0 to the number of rows minus 1.
CREATE TABLE autoact (
  id INTEGER PRIMARY KEY,
  text_body TEXT
);

-- Scrolling news lines.
CREATE TABLE scrollad (
  ID INTEGER PRIMARY KEY,
  ad_title TEXT,
  ad_link TEXT
);

-- Tables added since the first databases were made. Everything below the next line also runs
-- at every start over an existing database (UpgradeDatabase), so it creates only what is missing.
-- Added tables

-- The running state of the chats, saved when the server stops and taken back (and deleted)
-- at its next start: one row per value of a chat (kind 'value', name = the key name such as
-- '_says') or per session (kind 'session', name = the session's cookie id, used_time = its
-- last use). body is the value in the snapshot's encoding; every row of one snapshot carries
-- the same version of that encoding and the same saved_time.
CREATE TABLE IF NOT EXISTS state_snapshot (
  version INTEGER NOT NULL,
  saved_time TEXT NOT NULL,
  chat TEXT NOT NULL,
  kind TEXT NOT NULL,
  name TEXT NOT NULL,
  body TEXT NOT NULL,
  used_time TEXT
);

-- The operator's password for the administration site: one argon2id hash string.
CREATE TABLE IF NOT EXISTS operator (
  password_hash TEXT NOT NULL
);
