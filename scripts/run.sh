#!/bin/bash
# The run command: installs what is needed, builds, prepares a demo program
# folder on the embedded default databases and starts the tool there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" qingsong-luru

demo="$root/demo"
mkdir -p "$demo/servers" "$demo/sysimg"
cp "$root/build/src/app/qingsong-luru" "$demo/"
cat > "$demo/servers.ini" <<INI
# Demo: every server is an embedded SQLite file under servers/; the tool opens
# only endpoints whose file exists, so every endpoint listed here is seeded below.
[servers]
backend = sqlite
main = 127.0.0.1,1433
backup = 127.0.0.1,1434
sync1 = 127.0.0.1,1433
sync2 = 127.0.0.1,1434
sync3 = 127.0.0.1,1434
sync4 = 127.0.0.1,1433
sync5 = 127.0.0.1,1434
admin_name = 站长
admin_phone = 13800138000
INI
seed() {  # $1 database file: created with the schema and the demo rows once
  [ -s "$1" ] && return 0
  sqlite3 "$1" < "$root/schema/sqlite.sql"
  sqlite3 "$1" <<SQL
insert into conf (ver, adminlist, allonoff, offwhy, offtime) values ('1.0', '站长', 1, '', '');
-- The demo administrator 站长 has the password 123456 (stored as its digest).
insert into users (username, userpass, timu) values ('站长', 'e10adc3949ba59abbe56e057f20f883e', '会计基础→1');
insert into alltype (mantype, username) values ('会计基础', '站长');
insert into alltype (mantype, username) values ('驾驶员题库', '站长');
insert into timu (id2, mantype, QUESTION, Qtype, answer, nandu, SA, SB, SC, SD, why0, adder)
  values (1, '驾驶员题库', '红灯亮时应当怎样?', '单选题', 'A', '普通', '停车等待', '加速通过', '鸣笛', '倒车', '', '站长');
SQL
}
for endpoint in $(sed -n 's/^\(main\|backup\|sync[1-5]\) = //p' "$demo/servers.ini" | sort -u); do
  seed "$demo/servers/$endpoint.sqlite"
done
seed "$demo/anguidb.mdb"

export LC_ALL=C.UTF-8
cd "$demo"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the tool in $demo (log in as 站长 with the password 123456)"
  exec ./qingsong-luru
fi
shot="$demo/first-window.png"
echo "No display here: starting the tool under xvfb-run and saving a screenshot to $shot"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c "
  ./qingsong-luru & pid=\$!
  sleep 4
  import -window root '$shot'
  kill \$pid 2>/dev/null || true
  wait \$pid 2>/dev/null || true"
echo "Screenshot of the first window: $shot"
