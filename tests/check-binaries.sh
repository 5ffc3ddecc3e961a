#!/bin/bash
# The program is a 32-bit GUI PE; the key library exports ordinals 1 and 2 with
# no name and every other export by its plain name; the program imports the
# two by number.
set -euo pipefail
objdump=$1 exe=$2 dll=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

exe_headers=$("$objdump" -p "$exe")
grep -qE '^Magic[[:space:]]+010b' <<<"$exe_headers" || fail "$exe is not PE32"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$exe_headers" || fail "$exe is not a GUI program"

dll_headers=$("$objdump" -p "$dll")
names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dll_headers" | grep -E '^\s+\[' || true)
grep -qE '\+base\[\s*1\]' <<<"$dll_headers" || fail "no export at ordinal 1"
grep -qE '\+base\[\s*2\]' <<<"$dll_headers" || fail "no export at ordinal 2"
# The name table lists ordinal - base; 0 and 1 are ordinals 1 and 2.
grep -qE '^\s+\[\s*[01]\]' <<<"$names" && fail "ordinal 1 or 2 has a name"
grep -q '@' <<<"$names" && fail "decorated export names: $names"
for name in GetSlotList GetSlotStatus GetUsbKeyLabel SetUsbKeyLabel VerifyPassword \
  ChangePassword ChangeInitPassword ContainerCount ContainerInfo ReadCertByName \
  DeleteContainerByName Reset LoadCertToIE UnloadIECert FileAllID FileRead; do
  grep -qE "\] CSP_${name}$" <<<"$names" || fail "CSP_$name is not exported by name"
done
grep -qE 'GetInstanceTag|SetMainWindow' <<<"$names" && fail "ordinal-only exports have names"

imports=$(sed -n '/DLL Name: DravikFun_tovex.dll/,/^$/p' <<<"$exe_headers")
grep -qE '^\s+80000001\s' <<<"$imports" || fail "the program does not import ordinal 1 by number"
grep -qE '^\s+80000002\s' <<<"$imports" || fail "the program does not import ordinal 2 by number"
echo "binaries: 32-bit GUI program, key library exports and imports as expected"
