#!/usr/bin/env bash
# make-screenshots.sh BUILD-DIR
# Runs the real program under Xvfb as a user would and takes the viewer's
# pictures into this folder. A fresh program folder gets its database and a
# cabinet with one folder of pages (made with isql-fb); SANE's test backend is
# the scanner. Then: double-click the folder, Insert, File > Scan, press the
# source's Scan, Ctrl+S, Escape; double-click the folder again, View > Full
# Page (viewer-full-page.png, the stored page read back); File > Print
# (print-options.png).
# There is no window manager under Xvfb: clicks go to fixed points of the
# 1280 x 800 screen that the maximized windows fill.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
export ASAN_OPTIONS=detect_leaks=0
cp "$build/bin/borvane" "$build/bin/libborvane_twain.so" "$dir/"
"$build/bin/borvane-admin" create "$dir"
isql-fb -q "$dir/TAMBRA.GDB" -user SYSDBA -password masterkey <<'SQL'
INSERT INTO GROUPFILE (GROUPID, DESCRIPT) VALUES (1, 'สัญญาเช่า');
INSERT INTO DOCUMENT (DOCNO, GROUPID, DESCRIPT, ONDATE, DOCDATE, ISPASSWD, COUNTPAGE)
  VALUES (1, 1, 'สัญญาเช่าอาคาร 2567', CURRENT_TIMESTAMP, CURRENT_TIMESTAMP, 'N', 0);
COMMIT;
SQL
mkdir "$dir/sane"
echo test > "$dir/sane/dll.conf"
printf 'number_of_devices 1\nmode Color\nresolution 75\ntest-picture "Color pattern"\n' > "$dir/sane/test.conf"

cat > "$dir/drive.sh" <<'DRIVE'
set -eu
cd "$1"
SANE_CONFIG_DIR="$1/sane" QT_QPA_PLATFORM=xcb ./borvane >out.txt 2>&1 &
prog=$!
sleep 5
open_folder() { xdotool mousemove 500 92 click --repeat 2 --delay 80 1; sleep 3; }
open_folder
xdotool mousemove 1169 33 click 1; sleep 1          # navigator: Insert
xdotool key alt+f; sleep 1; xdotool key c; sleep 4  # File > Scan
xdotool mousemove 641 422 click 1; sleep 8          # the source's Scan
xdotool key ctrl+s; sleep 2                         # Save
xdotool key Escape; sleep 2                         # close the viewer
open_folder
xdotool key alt+v; sleep 1; xdotool key f; sleep 2  # View > Full Page
import -window root viewer-full-page.png
xdotool key alt+f; sleep 1; xdotool key p; sleep 2  # File > Print
import -window root print-options.png
xdotool key Escape; sleep 1; xdotool key Escape; sleep 2
kill $prog 2>/dev/null || true
wait $prog 2>/dev/null || true
DRIVE
xvfb-run -a -s "-screen 0 1280x800x24" bash "$dir/drive.sh" "$dir"
cp "$dir/viewer-full-page.png" "$dir/print-options.png" "$here/"
if grep -q -E "AddressSanitizer|runtime error" "$dir/out.txt"; then cat "$dir/out.txt"; exit 1; fi
rm -rf "$dir"
echo "screenshots written to $here"
