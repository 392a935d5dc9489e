#!/bin/bash
# Checks the Debian package as an office meets it: makes it with CPack from a
# built tree, installs it with apt-get, validates its menu entry, then starts
# the installed program on a virtual display as a user whose home has no
# qingsong-luru folder yet; the per-user folder must be made and the login
# window must show. The package is purged again at the end.
# Argument: the build folder (default build/). Needs root; exits 77 (skipped)
# otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ "$(id -u)" != 0 ]; then
  echo "The package check installs a package and needs root: skipped."
  exit 77
fi
say() { echo "package check: $*"; }
fail() { echo "package check FAILED: $*" >&2; exit 1; }

# The package is installed for the whole machine: one check at a time.
exec 9>/tmp/qingsong-luru-package-check.lock
flock -w 600 9 || fail "another package check holds the lock"

log="$build/package-check.log"
: > "$log"
home=""
cleanup() {
  [ -n "$home" ] && rm -rf "$home"
  apt-get -o DPkg::Lock::Timeout=300 purge -y -qq qingsong-luru >>"$log" 2>&1 || true
}
trap cleanup EXIT
run() { "$@" >>"$log" 2>&1 || { cat "$log" >&2; fail "$*"; }; }

cd "$build"
rm -f qingsong-luru_*.deb
run cpack -G DEB
deb=$(ls qingsong-luru_*.deb)
say "built $deb"
run apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends --reinstall "./$deb"
say "installed"

for f in /usr/bin/qingsong-luru /usr/share/applications/qingsong-luru.desktop \
         /usr/share/icons/hicolor/scalable/apps/qingsong-luru.svg \
         /usr/share/icons/hicolor/48x48/apps/qingsong-luru.png \
         /usr/share/qingsong-luru/schema/sqlserver.sql /usr/share/qingsong-luru/schema/postgresql.sql \
         /usr/share/qingsong-luru/schema/sqlite.sql; do
  [ -f "$f" ] || fail "the package did not install $f"
done
# Hints are advice; warnings and errors fail.
validation=$(desktop-file-validate /usr/share/applications/qingsong-luru.desktop 2>&1) || true
echo "$validation" >>"$log"
if echo "$validation" | grep -Eq 'error|warning'; then fail "desktop-file-validate: $validation"; fi
say "desktop-file-validate passed"
odbcinst -q -d -n "SQL Server" >/dev/null 2>&1 || fail 'no ODBC driver named "SQL Server" after installing'

# A user with a fresh home: nobody, whose own home does not exist.
home=$(mktemp -d /tmp/qingsong-luru-home.XXXXXX)
chown nobody: "$home"
shot="$build/package-check-login.png"
rm -f "$shot"
set +e
runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    qingsong-luru & pid=$!
    timeout 60 xdotool search --sync --onlyvisible --name "登录青松录入双开器" >/dev/null
    shown=$?
    sleep 1
    kill -0 $pid 2>/dev/null; alive=$?
    import -window root "$HOME/login.png"
    xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sed "s/^/window: /"
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
    [ $shown = 0 ] || { echo "the login window did not show"; exit 1; }
    [ $alive = 0 ] || { echo "the program ended by itself"; exit 1; }' >>"$log" 2>&1
status=$?
set -e
cp "$home/login.png" "$shot" 2>/dev/null || true
[ $status = 0 ] || { cat "$log" >&2; fail "the installed program (screenshot: $shot)"; }
[ -d "$home/.local/share/qingsong-luru" ] || fail "no per-user folder $home/.local/share/qingsong-luru"
[ "$(stat -c %U "$home/.local/share/qingsong-luru")" = nobody ] || fail "the per-user folder is not the user's"
say "the installed program made its per-user folder and showed the login window (screenshot: $shot)"
