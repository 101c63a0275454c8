#!/usr/bin/env bash
# The Debian package end to end on this machine: built by CPack from the build folder,
# installed with dpkg, its files in place with their owners and modes, the unit checked by
# systemd-analyze, the installed server run as the user orlentis and answering a host check,
# then removed with the program folder and its database left in place.
# It needs root and a machine without orlentis (package, user, /var/lib/orlentis), which it
# leaves as it found it. Exit status 77: skipped.
set -euo pipefail

build=$(realpath "$1")
state=/var/lib/orlentis

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
if dpkg-query -W -f='${Status}' orlentis 2>/dev/null | grep -q 'ok installed'; then
  skip "the package orlentis is installed on this machine; it is left alone"
fi
[ ! -e "$state" ] || skip "$state exists on this machine; it is left alone"
! getent passwd orlentis >/dev/null || skip "the user orlentis exists on this machine"

work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then
    kill -TERM "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  dpkg --purge orlentis >/dev/null 2>&1 || true
  rm -rf "$state"
  userdel orlentis 2>/dev/null || true
  ! getent group orlentis >/dev/null || groupdel orlentis
  rm -rf "$work"
}
trap cleanup EXIT

# owner:group and mode of path, as expected.
expect_file() {
  local path=$1 wanted=$2 found
  found=$(stat -c '%U:%G %a' "$path" 2>/dev/null) || fail "$path is missing"
  [ "$found" = "$wanted" ] || fail "$path is $found, not $wanted"
}

echo "== package"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
version=$("$build/src/app/orlentis" --version | cut -d' ' -f2)
deb="$work/orlentis_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$work")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libsqlite3 libssl libldap libsystemd; do
  [[ "$depends" == *"$library"* ]] || fail "the dependencies lack $library"
done

echo "== install"
dpkg -i "$deb"
expect_file /usr/bin/orlentis "root:root 755"
expect_file /usr/bin/orlentis-peer "root:root 755"
expect_file /usr/bin/orlentis-admin "root:root 755"
expect_file /usr/lib/systemd/system/orlentis.service "root:root 644"
expect_file /usr/share/orlentis/Setting.ini "root:root 644"
expect_file /usr/share/orlentis/English.lng "root:root 644"
expect_file /usr/share/man/man1/orlentis.1 "root:root 644"
expect_file /usr/share/man/man1/orlentis-peer.1 "root:root 644"
expect_file /usr/share/man/man1/orlentis-admin.1 "root:root 644"
expect_file "$state" "orlentis:orlentis 700"
IFS=: read -r _ _ uid _ _ home shell < <(getent passwd orlentis)
[ "$uid" -lt 1000 ] || fail "orlentis is not a system user (uid $uid)"
[ "$home" = "$state" ] || fail "the home of orlentis is $home"
[ "$shell" = /usr/sbin/nologin ] || fail "orlentis has the shell $shell"
[ ! -e /etc/systemd/system/multi-user.target.wants/orlentis.service ] ||
  fail "the package enabled the service"
cmp -s /usr/share/orlentis/Setting.ini "$(dirname "$0")/../../resources/Setting.ini" ||
  fail "the installed Setting.ini is not the project's default"

echo "== systemd-analyze verify"
printf '[Unit]\nDescription=probe\n[Service]\nExecStart=/bin/true\n' >"$work/probe.service"
if ! probe=$(systemd-analyze verify "$work/probe.service" 2>&1); then
  echo "NOTE: systemd-analyze cannot check units here ($probe); the unit's check is skipped"
else
  report=$(systemd-analyze verify /usr/lib/systemd/system/orlentis.service 2>&1) ||
    fail "systemd-analyze verify: $report"
  ! grep -q orlentis <<<"$report" || fail "systemd-analyze verify: $report"
fi

echo "== the installed server as the user orlentis"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# A program folder set up by hand: an edited copy of the default settings and no language
# file, which the server then reads from /usr/share/orlentis.
install -m 0600 -o orlentis -g orlentis /usr/share/orlentis/Setting.ini "$state/Setting.ini"
sed -i -e "s/^PORT=.*/PORT=$port/" -e 's/^IP=.*/IP=127.0.0.1/' "$state/Setting.ini"
(cd / && exec setpriv --reuid=orlentis --regid=orlentis --init-groups \
  /usr/bin/orlentis --headless --home "$state") 2>"$work/server.log" &
server=$!
ready=""
for _ in $(seq 60); do
  if /usr/bin/orlentis-peer host-check --port "$port" --timeout 1000 >/dev/null 2>&1; then
    ready=yes
    break
  fi
  sleep 0.5
done
[ -n "$ready" ] || { cat "$work/server.log"; fail "the installed server does not answer a host check"; }
/usr/bin/orlentis-peer host-check --port "$port"
expect_file "$state/OrlentisDB.db" "orlentis:orlentis 600"
expect_file "$state/initial-admin-password" "orlentis:orlentis 600"
[ ! -e "$state/English.lng" ] || fail "the server wrote a language file beside edited settings"
# The README's steps: a recorder user added by the installed tool, as the service's user,
# beside the running server, logs in from a recorder.
printf 'alice-pw\n' | setpriv --reuid=orlentis --regid=orlentis --init-groups \
  /usr/bin/orlentis-admin --home "$state" user add alice --group Operator --password-stdin ||
  fail "orlentis-admin could not add a user"
/usr/bin/orlentis-peer host-login --port "$port" --user alice --password alice-pw >/dev/null ||
  fail "the user added by orlentis-admin cannot log in"
starts=$(sqlite3 "$state/OrlentisDB.db" "SELECT COUNT(*) FROM Log WHERE strAction = 'Start'")
[ "$starts" -eq 1 ] || fail "no event-log entry with the shipped text 'Start'"
kill -TERM "$server"
status=0
wait "$server" || status=$?
server=""
[ "$status" -eq 0 ] || { cat "$work/server.log"; fail "the server ended with status $status"; }

echo "== remove"
dpkg -r orlentis
[ ! -e /usr/bin/orlentis ] || fail "/usr/bin/orlentis is still there"
expect_file "$state" "orlentis:orlentis 700"
expect_file "$state/OrlentisDB.db" "orlentis:orlentis 600"
[ -f "$state/Setting.ini" ] || fail "the settings went with the package"
users=$(sqlite3 "$state/OrlentisDB.db" 'SELECT COUNT(*) FROM "User"')
[ "$users" -ge 1 ] || fail "the database lost its users"
echo "PASSED"
