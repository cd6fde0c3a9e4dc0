#!/usr/bin/env bash
# Takes the screenshots in this folder from the real program under Xvfb:
#   bash docs/screenshots/take.sh BUILD_BIN_DIR
# It copies borvane into a scratch program folder, makes TAMBRA.GDB there with
# a few Thai cabinets and folders, and drives the windows with xdotool.
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$dir"' EXIT
cp "$bin/borvane" "$dir/"
"$bin/borvane-admin" create "$dir"
export FIREBIRD_LOCK=${FIREBIRD_LOCK:-/tmp/borvane-firebird-$(id -u)}
isql-fb -q "$dir/TAMBRA.GDB" -user SYSDBA -password masterkey <<'SQL'
INSERT INTO GROUPFILE VALUES (1, 'ตู้เอกสารโครงการ');
INSERT INTO GROUPFILE VALUES (2, 'ตู้เอกสารบัญชี');
INSERT INTO GROUPFILE VALUES (3, 'ตู้เอกสารบุคคล');
INSERT INTO DOCUMENT VALUES (1, 1, 'แบบแปลนอาคาร ชั้น 1-3', '2023-05-02', '2023-04-28', '470', 'N', 0);
INSERT INTO DOCUMENT VALUES (2, 1, 'ภาพถ่ายหน้างาน', '2023-07-01', '2023-06-30', '470', 'N', 0);
INSERT INTO DOCUMENT VALUES (3, 1, 'รายงานความก้าวหน้า (PDF)', '2023-06-15', '2023-06-14', '470', 'Y', 0);
INSERT INTO OTHERFILE VALUES (1, 3, 'รายงานประจำเดือนมิถุนายน', 'PDF', 'x');
INSERT INTO OTHERFILE VALUES (2, 3, 'ตารางงบประมาณ', 'XLS', 'x');
COMMIT;
SQL
export DISPLAY=:77
Xvfb :77 -screen 0 1280x800x24 -nolisten tcp &
sleep 1
"$dir/borvane" &
sleep 4
shot() { sleep 2; import -window root "$out/$1"; }
# Folder dialog: the new-folder button.
xdotool mousemove 15 39 click 1
shot folderdialog.png
xdotool key Escape; sleep 1; xdotool key Return; sleep 1
# Attached files: double-click the folder of other files.
xdotool mousemove 400 151 click --repeat 2 --delay 80 1
shot attachedfiles.png
xdotool key Escape; sleep 1
# Help menu: how-to, then about.
xdotool mousemove 162 11 click 1; sleep 1; xdotool key Down Return
shot howto.png
xdotool key Escape; sleep 1
xdotool mousemove 162 11 click 1; sleep 1; xdotool key Down Down Return
shot about.png
xdotool key Escape
