-- Run once on the server database ag2 (the tool never creates tables there).
-- The six tables of the question-bank database.
CREATE TABLE users (
  username nvarchar(255), userpass nvarchar(max), timu nvarchar(max),
  allt nvarchar(max), alltmd5 nvarchar(max), alltshow nvarchar(max), allt5 nvarchar(max), zifubao nvarchar(max), flist nvarchar(max), computercode nvarchar(max),
  myface nvarchar(max), myface1 nvarchar(max), myfriend nvarchar(max), comefrom nvarchar(max), phone1 nvarchar(max), phone2 nvarchar(max), weixin nvarchar(max),
  qq nvarchar(max), email nvarchar(max), exp int, facebook nvarchar(max), school nvarchar(max), banji nvarchar(max), intro nvarchar(max), tuijianren nvarchar(max),
  buymoney int, gmoney int,
  stime datetime DEFAULT getdate()
);
CREATE INDEX users_username ON users (username);

CREATE TABLE alltype (
  id int IDENTITY(1,1) PRIMARY KEY,
  mantype nvarchar(255), username nvarchar(255), stime datetime DEFAULT getdate(),
  buypass nvarchar(max), download int, openok int, buyp int, candownload int
);
CREATE INDEX alltype_mantype ON alltype (mantype);

CREATE TABLE timu (
  id int IDENTITY(1,1) PRIMARY KEY,
  id2 int, sid nvarchar(max), mantype nvarchar(255), QUESTION nvarchar(max), Qtype nvarchar(50), answer nvarchar(max), nandu nvarchar(max),
  SA nvarchar(max), SB nvarchar(max), SC nvarchar(max), SD nvarchar(max), SE nvarchar(max), SF nvarchar(max), why0 nvarchar(max), adder nvarchar(max),
  stime datetime DEFAULT getdate(),
  ANSWERSELF nvarchar(max), a1 nvarchar(max), a2 nvarchar(max), a3 nvarchar(max),
  QJPG varbinary(max), AJPG varbinary(max), BJPG varbinary(max), CJPG varbinary(max), DJPG varbinary(max), EJPG varbinary(max), FJPG varbinary(max), WJPG varbinary(max)
);
CREATE INDEX timu_mantype_qtype ON timu (mantype, Qtype, id);

CREATE TABLE conf (
  ver nvarchar(max), adminlist nvarchar(max), allonoff int, offwhy nvarchar(max), offtime nvarchar(max)
);

CREATE TABLE rizi (
  id int IDENTITY(1,1) PRIMARY KEY,
  stime datetime DEFAULT getdate(), username nvarchar(max), body nvarchar(max)
);

CREATE TABLE buylist (
  username nvarchar(255), mantype nvarchar(255), stime datetime DEFAULT getdate(),
  buynum int, puypass nvarchar(max), admin nvarchar(max)
);
-- An index key holds at most 900 bytes on SQL Server 2012 and 2014: the user
-- name rides along in the index instead of widening its key to 1020 bytes.
CREATE INDEX buylist_key ON buylist (mantype) INCLUDE (username);
