#!/bin/bash
# The program is a GUI PE of the objdump's architecture (PE32, PE32+ for the
# 64-bit build); the key library exports ordinals 1 and 2 with no name and every
# other export by its plain name; the program imports the two by number. Both carry the project's version; the program's manifest asks
# for no elevation, names the Windows versions it knows and is DPI aware.
set -euo pipefail
objdump=$1 exe=$2 dll=$3 windres=$4 version=$5
fail() { echo "FAIL: $*" >&2; exit 1; }

magic=010b format=PE32
[[ $(basename "$objdump") == x86_64-* ]] && magic=020b format=PE32+

exe_headers=$("$objdump" -p "$exe")
grep -qE "^Magic[[:space:]]+$magic" <<<"$exe_headers" || fail "$exe is not $format"
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
grep -qE '^\s+80+1\s' <<<"$imports" || fail "the program does not import ordinal 1 by number"
grep -qE '^\s+80+2\s' <<<"$imports" || fail "the program does not import ordinal 2 by number"
# The resources as windres writes them back out as a script.
resources() { "$windres" -J coff -O rc -i "$1"; }
check_version() {
  local file=$1 type=$2 script numbers
  script=$(resources "$file")
  numbers="${version//./, }, 0"
  grep -qx " FILEVERSION $numbers" <<<"$script" || fail "$file: file version is not $version"
  grep -qx " PRODUCTVERSION $numbers" <<<"$script" || fail "$file: product version is not $version"
  grep -qx " FILETYPE $type" <<<"$script" || fail "$file: file type is not $type"
  for name in FileVersion ProductVersion; do
    grep -qF "VALUE \"$name\", \"$version\"" <<<"$script" || fail "$file: $name is not $version"
  done
  grep -qF "VALUE \"OriginalFilename\", \"$(basename "$file")\"" <<<"$script" ||
    fail "$file: original file name is not $(basename "$file")"
  for name in CompanyName ProductName FileDescription; do
    grep -qE "VALUE \"$name\", L?\"[^\"]+\"" <<<"$script" || fail "$file: no $name"
  done
}
check_version "$exe" 0x1
check_version "$dll" 0x2

manifest=$(resources "$exe" | sed -n '/RT_MANIFEST/,/^END/p' | sed 's/""/"/g')
grep -q 'requestedExecutionLevel level="asInvoker"' <<<"$manifest" || fail "manifest: not asInvoker"
grep -q '<dpiAware[^>]*>true</dpiAware>' <<<"$manifest" || fail "manifest: not DPI aware"
grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" ||
  fail "manifest: no common controls 6"
for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
  1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -q "supportedOS Id=\"{$os}\"" <<<"$manifest" || fail "manifest: Windows $os not supported"
done
echo "binaries: $format GUI program, key library exports and imports, versions and manifest as expected"
