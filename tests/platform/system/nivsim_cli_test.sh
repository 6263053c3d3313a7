#!/usr/bin/env bash
# nivsim as a user runs it: a fresh machine shows its shell folders, a value imported by the
# machine's reg.exe is in the export, files go in and out, and wrong uses are told apart.
# Usage: nivsim_cli_test.sh NIVSIM TOOLS_DIR
set -uo pipefail
nivsim=$1
export NIVSIM_TOOLS_DIR=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
m=$work/m

check "new makes a machine" "$nivsim" new "$m"
"$nivsim" reg "$m" export >"$work/export1.txt"
check "export prints the shell folders" grep -q 'Shell Folders\]' "$work/export1.txt"
check "export has the Common Startup folder" grep -q '"Common Startup"=' "$work/export1.txt"
check "export has the session Path" grep -qi '^"Path"=' "$work/export1.txt"

printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\NIVSystems\\CliTest]\r\n"FromReg"="imported value"\r\n' >"$work/X.reg"
check "put a file" "$nivsim" put "$m" "$work/X.reg" 'C:\X.reg'
check "reg.exe IMPORT through run" "$nivsim" run "$m" reg.exe IMPORT X.reg
"$nivsim" reg "$m" export 'HKEY_LOCAL_MACHINE\Software\NIVSystems' >"$work/export2.txt"
check "the imported value is in the export" grep -q '"FromReg"="imported value"' "$work/export2.txt"

"$nivsim" ls "$m" 'C:\WINDOWS\SYSTEM32' >"$work/ls.txt"
check "ls shows reg.exe with its attributes" grep -Eq '^[R-][H-][S-][A-]- .* reg\.exe$' "$work/ls.txt"
"$nivsim" ls "$m" 'C:\' >"$work/lsroot.txt"
check "ls marks folders" grep -Eq '^[R-][H-][S-][A-]D .*<DIR>.* WINDOWS$' "$work/lsroot.txt"

mkdir -p "$work/tree/sub"
echo one >"$work/tree/a.txt"
echo two >"$work/tree/sub/b.txt"
check "put a folder" "$nivsim" put "$m" "$work/tree" 'C:\Tree\Deep'
check "cat a file put in a folder" test "$("$nivsim" cat "$m" 'c:\tree\deep\SUB\B.TXT')" = two
check "get a folder back" "$nivsim" get "$m" 'C:\Tree' "$work/back"
check "the folder came back whole" diff -r "$work/tree" "$work/back/Deep"

"$nivsim" run "$m" 'C:\nosuch.exe' 2>"$work/err.txt"
code=$?
check "a missing program is an error, not a usage error" test "$code" -ne 0 -a "$code" -ne 2
check "the error names the program" grep -q 'nosuch.exe' "$work/err.txt"

"$nivsim" frobnicate "$m" 2>/dev/null
check "an unknown command is a usage error" test $? -eq 2
"$nivsim" new "$work/m2" --family 95 2>/dev/null
check "a wrong family is a usage error" test $? -eq 2
check "a wrong use makes no machine" test ! -e "$work/m2/machine.ini"
"$nivsim" new "$m" 2>/dev/null
check "new refuses a folder that holds a machine" test $? -eq 1
"$nivsim" run "$m" --agent nonsense reg.exe 2>/dev/null
check "a wrong agent is a usage error" test $? -eq 2

check "new 9x with drives" "$nivsim" new "$work/m9" --family 9x --drive A:removable:DISK1 \
  --drive D:cdrom:DIST --map "D:$work/tree"
check "the mapped drive shows the host folder" test "$("$nivsim" cat "$work/m9" 'D:\a.txt')" = one
check "boot without a request still boots" "$nivsim" boot "$work/m9"
"$nivsim" record "$work/m9" >"$work/record.txt"
check "the record shows the boot" grep -q '^boot' "$work/record.txt"

[ "$failures" -eq 0 ]
