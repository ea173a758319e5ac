#!/usr/bin/env bash
# Runs a Windows test executable under Wine as an unprivileged user, because Wine enforces the
# read-only attribute (refuses opening such a file for writing) only for such a user, as Windows
# does for everyone. Run as root, it creates the user "vornadatest" when missing, gives it its
# own Wine prefix and copies the executable where that user can read it; run as any other user,
# it simply runs the executable with the caller's prefix.
#
# It also prepares folders the executable reaches through WINDIR (their Windows paths are in its
# environment), each holding System32\Drivers\etc\hosts:
#   VORNADA_SEALED_WINDIR   the user may write the hosts file but may not create files in its
#                           folder (write access to the file only);
#   VORNADA_FOREIGN_WINDIR  the hosts file belongs to another user: the user may read it but not
#                           write it, and it has no read-only attribute (only when run as root,
#                           since no other user can give a file away).
#
#   run-unprivileged.sh EXE [ARGS...]      (DISPLAY must name a running X display)
set -euo pipefail
exe=$1; shift

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64

work=$(mktemp -d /tmp/vornada-unpriv.XXXXXX)
cleanup() {
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# The Windows path of a folder as Wine shows the Linux file system (drive Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Creates FOLDER/System32/Drivers/etc/hosts (empty, readable by everyone).
make_windir() {
  mkdir -p "$1/System32/Drivers/etc"
  chmod -R 755 "$1"
  : >"$1/System32/Drivers/etc/hosts"
  chmod 644 "$1/System32/Drivers/etc/hosts"
}

make_windir "$work/sealed"
sealed_windir=$(winpath "$work/sealed")

if [ "$(id -u)" -ne 0 ]; then
  chmod 555 "$work/sealed/System32/Drivers/etc"
  rc=0
  VORNADA_SEALED_WINDIR="$sealed_windir" wine "$exe" "$@" || rc=$?
  exit "$rc"
fi

user=vornadatest
if ! id -u "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$user"
fi
home=$(getent passwd "$user" | cut -d: -f6)
cp "$exe" "$work/"
chmod 755 "$work/$(basename "$exe")"

chown -R "$user" "$work/sealed"
chmod 555 "$work/sealed/System32/Drivers/etc"
make_windir "$work/foreign"  # stays root's
foreign_windir=$(winpath "$work/foreign")

# One prefix per user, kept between runs; the services are started detached first so that
# they do not hold this script's output pipe open.
quoted_args=$(printf ' %q' "$@")
runuser -u "$user" -- env HOME="$home" WINEPREFIX="$home/.vornada-wineprefix" \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 DISPLAY="${DISPLAY:-}" \
  VORNADA_SEALED_WINDIR="$sealed_windir" VORNADA_FOREIGN_WINDIR="$foreign_windir" \
  bash -c "mkdir -p \"\$WINEPREFIX\"; wineserver -p </dev/null >/dev/null 2>&1; wine wineboot </dev/null >/dev/null 2>&1;
           cd '$work' && wine './$(basename "$exe")'$quoted_args; rc=\$?; wineserver -k >/dev/null 2>&1; exit \$rc"
