-- The six tables of the question-bank database.
CREATE TABLE users (
  username text, userpass text, timu text,
  allt text, alltmd5 text, alltshow text, allt5 text, zifubao text, flist text, computercode text,
  myface text, myface1 text, myfriend text, comefrom text, phone1 text, phone2 text, weixin text,
  qq text, email text, exp integer, facebook text, school text, banji text, intro text, tuijianren text,
  buymoney integer, gmoney integer,
  stime timestamp DEFAULT localtimestamp
);
CREATE INDEX users_username ON users (username);

CREATE TABLE alltype (
  id serial PRIMARY KEY,
  mantype text, username text, stime timestamp DEFAULT localtimestamp,
  buypass text, download integer, openok integer, buyp integer, candownload integer
);
CREATE INDEX alltype_mantype ON alltype (mantype);

CREATE TABLE timu (
  id serial PRIMARY KEY,
  id2 integer, sid text, mantype text, QUESTION text, Qtype text, answer text, nandu text,
  SA text, SB text, SC text, SD text, SE text, SF text, why0 text, adder text,
  stime timestamp DEFAULT localtimestamp,
  ANSWERSELF text, a1 text, a2 text, a3 text,
  QJPG bytea, AJPG bytea, BJPG bytea, CJPG bytea, DJPG bytea, EJPG bytea, FJPG bytea, WJPG bytea
);
CREATE INDEX timu_mantype_qtype ON timu (mantype, Qtype, id);

CREATE TABLE conf (
  ver text, adminlist text, allonoff integer, offwhy text, offtime text
);

CREATE TABLE rizi (
  id serial PRIMARY KEY,
  stime timestamp DEFAULT localtimestamp, username text, body text
);

CREATE TABLE buylist (
  username text, mantype text, stime timestamp DEFAULT localtimestamp,
  buynum integer, puypass text, admin text
);
CREATE INDEX buylist_key ON buylist (mantype, username);
