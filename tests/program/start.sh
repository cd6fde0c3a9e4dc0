#!/usr/bin/env bash
# start.sh BORVANE BORVANE-ADMIN with-database|without-database
# Copies the program into a fresh folder (its own program folder), makes the
# database there when asked, starts it under Xvfb and checks that it is still
# running after a few seconds: a crash or an early exit fails the test. Without
# a database the program shows the engine's error and keeps running.
set -u
program=$1 admin=$2 mode=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$program" "$dir/borvane"
if [ "$mode" = with-database ]; then
  "$admin" create "$dir" || exit 1
fi
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x800x24" timeout -k 3 -s TERM 10 "$dir/borvane" >"$dir/out.txt" 2>&1
rc=$?
cat "$dir/out.txt"
if [ "$rc" -ne 124 ] && [ "$rc" -ne 137 ]; then
  echo "borvane ended by itself (status $rc) instead of running until stopped"
  exit 1
fi
if grep -q -E "AddressSanitizer|runtime error" "$dir/out.txt"; then
  echo "sanitizer report while starting"
  exit 1
fi
if [ "$mode" = with-database ] && [ ! -s "$dir/TAMBRA.GDB" ]; then
  echo "database missing after the run"
  exit 1
fi
echo "borvane stayed up ($mode)"
exit 0
