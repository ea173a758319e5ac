#!/usr/bin/env bash
# Runs a Windows test executable under Wine as an unprivileged user, because Wine enforces the
# read-only attribute (refuses opening such a file for writing) only for such a user, as Windows
# does for everyone. Run as root, it creates the user "vornadatest" when missing, gives it its
# own Wine prefix and copies the executable where that user can read it; run as any other user,
# it simply runs the executable with the caller's prefix.
#
#   run-unprivileged.sh EXE [ARGS...]      (DISPLAY must name a running X display)
set -euo pipefail
exe=$1; shift

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if [ "$(id -u)" -ne 0 ]; then
  exec wine "$exe" "$@"
fi

user=vornadatest
if ! id -u "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$user"
fi
home=$(getent passwd "$user" | cut -d: -f6)
work=$(mktemp -d /tmp/vornada-unpriv.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/"
chmod 755 "$work"
chmod 755 "$work/$(basename "$exe")"

# One prefix per user, kept between runs; the services are started detached first so that
# they do not hold this script's output pipe open.
quoted_args=$(printf ' %q' "$@")
runuser -u "$user" -- env HOME="$home" WINEPREFIX="$home/.vornada-wineprefix" \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 DISPLAY="${DISPLAY:-}" \
  bash -c "mkdir -p \"\$WINEPREFIX\"; wineserver -p </dev/null >/dev/null 2>&1; wine wineboot </dev/null >/dev/null 2>&1;
           cd '$work' && wine './$(basename "$exe")'$quoted_args; rc=\$?; wineserver -k >/dev/null 2>&1; exit \$rc"
