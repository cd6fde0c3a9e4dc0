#!/usr/bin/env bash
# Times borvane-admin backup and restore against gbak on the same database.
#
#   bench/backup/run.sh BIN_DIR [SIZE_MB]    (default 2048)
#
# Builds a program folder whose TAMBRA.GDB holds SIZE_MB of page images
# (1 MB blobs of mixed text), then times, each on the same files:
#   borvane-admin backup   vs  gbak -b (same options: ignore limbo, no garbage collection)
#   borvane-admin restore  vs  gbak -c (page size 4096, 3000 buffers)
# and prints the seconds and the ratio. Not part of ctest: a 2 GB run takes
# minutes and several GB of disk.
set -euo pipefail
bin="$(cd "$1" && pwd)"
size_mb="${2:-2048}"
work="$(mktemp -d "${TMPDIR:-/tmp}/borvane-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export FIREBIRD_LOCK="$work/lock"
mkdir -p "$FIREBIRD_LOCK" "$work/prog" "$work/gbak"
"$bin/borvane-admin" create "$work/prog" >/dev/null

isql-fb -q -u sysdba -p x "$work/prog/TAMBRA.GDB" >/dev/null <<SQL
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE i INTEGER = 0;
  DECLARE j INTEGER;
  DECLARE b BLOB SUB_TYPE 0;
BEGIN
  INSERT INTO GROUPFILE (GROUPID, DESCRIPT) VALUES (1, 'bench');
  INSERT INTO DOCUMENT (DOCNO, GROUPID, DESCRIPT, ONDATE, DOCDATE, COUNTPAGE)
    VALUES (1, 1, 'bench', CURRENT_DATE, CURRENT_DATE, 0);
  WHILE (i < $size_mb) DO BEGIN
    b = '';
    j = 0;
    WHILE (j < 32) DO BEGIN
      b = b || LPAD('', 32768, UUID_TO_CHAR(GEN_UUID()));
      j = j + 1;
    END
    INSERT INTO IMAGEFILE (DOCNO, PAGENO, IMAGES) VALUES (1, GEN_ID(GEN_PAGENO, 1), :b);
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
SQL

db_bytes=$(stat -c %s "$work/prog/TAMBRA.GDB")
echo "database: $((db_bytes / 1048576)) MB of pages (${size_mb} MB of blobs)"

# Each step starts with the disk settled: otherwise the write-back of what the
# step before wrote (gigabytes, here) lands on whichever step runs next.
secs() { local t0 t1; sync; sleep 1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }

cp "$work/prog/TAMBRA.GDB" "$work/gbak/TAMBRA.GDB"
ours_b=$(secs "$bin/borvane-admin" backup "$work/prog")
gbak_b=$(secs gbak -b -g -l -user sysdba "$work/gbak/TAMBRA.GDB" "$work/gbak/TAMBRA.GBK")
ours_r=$(secs "$bin/borvane-admin" restore "$work/prog")
gbak_r=$(secs gbak -c -p 4096 -bu 3000 -user sysdba "$work/gbak/TAMBRA.GBK" "$work/gbak/RESTORED.GDB")
# borvane-admin makes the restored file durable before it replaces the
# database (a power cut must not leave neither); gbak leaves that to the
# system. The same gbak run followed by a sync of its file is the fair match.
rm -f "$work/gbak/RESTORED2.GDB"
gbak_rs=$(secs bash -c "gbak -c -p 4096 -bu 3000 -user sysdba '$work/gbak/TAMBRA.GBK' '$work/gbak/RESTORED2.GDB' && sync '$work/gbak/RESTORED2.GDB'")
# borvane-admin's restore also puts the new file in place of the old database,
# and dropping the old file costs its size; gbak's replacing restore over its
# copy of the same database does that work too.
gbak_rep=$(secs gbak -rep -p 4096 -bu 3000 -user sysdba "$work/gbak/TAMBRA.GBK" "$work/gbak/TAMBRA.GDB")

printf '%-8s %12s %12s %8s\n' step borvane-admin gbak ratio
printf '%-8s %12.2f %12.2f %8.2f\n' backup "$ours_b" "$gbak_b" "$(echo "$ours_b / $gbak_b" | bc -l)"
printf '%-8s %12.2f %12.2f %8.2f\n' restore "$ours_r" "$gbak_r" "$(echo "$ours_r / $gbak_r" | bc -l)"
printf '%-8s %12.2f %12.2f %8.2f\n' "restore (gbak then sync)" "$ours_r" "$gbak_rs" "$(echo "$ours_r / $gbak_rs" | bc -l)"
printf '%-8s %12.2f %12.2f %8.2f\n' "restore (gbak replacing the database)" "$ours_r" "$gbak_rep" "$(echo "$ours_r / $gbak_rep" | bc -l)"
