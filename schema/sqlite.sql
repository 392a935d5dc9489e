-- The six tables of the question-bank database.
CREATE TABLE users (
  username TEXT, userpass TEXT, timu TEXT,
  allt TEXT, alltmd5 TEXT, alltshow TEXT, allt5 TEXT, zifubao TEXT, flist TEXT, computercode TEXT,
  myface TEXT, myface1 TEXT, myfriend TEXT, comefrom TEXT, phone1 TEXT, phone2 TEXT, weixin TEXT,
  qq TEXT, email TEXT, exp INTEGER, facebook TEXT, school TEXT, banji TEXT, intro TEXT, tuijianren TEXT,
  buymoney INTEGER, gmoney INTEGER,
  stime DATETIME DEFAULT (datetime('now','localtime'))
);
CREATE INDEX users_username ON users (username);

CREATE TABLE alltype (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  mantype TEXT, username TEXT, stime DATETIME DEFAULT (datetime('now','localtime')),
  buypass TEXT, download INTEGER, openok INTEGER, buyp INTEGER, candownload INTEGER
);
CREATE INDEX alltype_mantype ON alltype (mantype);

CREATE TABLE timu (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  id2 INTEGER, sid TEXT, mantype TEXT, QUESTION TEXT, Qtype TEXT, answer TEXT, nandu TEXT,
  SA TEXT, SB TEXT, SC TEXT, SD TEXT, SE TEXT, SF TEXT, why0 TEXT, adder TEXT,
  stime DATETIME DEFAULT (datetime('now','localtime')),
  ANSWERSELF TEXT, a1 TEXT, a2 TEXT, a3 TEXT,
  QJPG BLOB, AJPG BLOB, BJPG BLOB, CJPG BLOB, DJPG BLOB, EJPG BLOB, FJPG BLOB, WJPG BLOB
);
CREATE INDEX timu_mantype_qtype ON timu (mantype, Qtype, id);

CREATE TABLE conf (
  ver TEXT, adminlist TEXT, allonoff INTEGER, offwhy TEXT, offtime TEXT
);

CREATE TABLE rizi (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  stime DATETIME DEFAULT (datetime('now','localtime')), username TEXT, body TEXT
);

CREATE TABLE buylist (
  username TEXT, mantype TEXT, stime DATETIME DEFAULT (datetime('now','localtime')),
  buynum INTEGER, puypass TEXT, admin TEXT
);
CREATE INDEX buylist_key ON buylist (mantype, username);
