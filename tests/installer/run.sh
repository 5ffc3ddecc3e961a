#!/bin/bash
# The installer tests: the release installer from build/dist (tools/package.sh) and a lower
# version packaged from the same binaries, in a Wine prefix of their own copied from the test
# prefix, with a Wine server of their own.
#   tests/installer/run.sh INSTALLER_TEST_EXE
set -euo pipefail
test_exe=$1
cd "$(dirname "$0")/../.."
root=$PWD
version=$(sed -nE 's/^project\([A-Za-z]+ VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' CMakeLists.txt)
setup=$root/build/dist/QelmoraKeyToolSetup-$version.exe
[[ -f $setup ]] || { echo "no $setup: run tools/package.sh first" >&2; exit 1; }
work=$root/build/installer-test
rm -rf "$work"
mkdir -p "$work"
old_setup=$(tools/package.sh --version 0.9.0 --out "$work" | tail -1)

for f in "$setup" "$old_setup"; do
  osslsigncode verify -CAfile build/signing/ca.pem -in "$f" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; echo "signature of $f does not verify" >&2; exit 1; }
done

export KEYTOOL_WINEPREFIX=$work/prefix
. tools/wine-env.sh
cp -a build/wineprefix "$WINEPREFIX"
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/QelmoraKeys
wineserver -p
trap 'wineserver -k || true' EXIT
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null

# Installed where /D= says, every file we ship is signed, the uninstaller too.
dir='C:\SignCheck\UsbKeyTool'
wine "$setup" /S "/D=$dir"
installed=$(winepath -u "$dir")
for f in QelmoraKeyTool.exe DravikFun_tovex.dll keyadmin.exe Uninstall.exe; do
  osslsigncode verify -CAfile build/signing/ca.pem -in "$installed/$f" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; echo "installed $f: signature does not verify" >&2; exit 1; }
done
# Run in place (_?=) the uninstaller waits for itself, and leaves only itself behind.
wine "$dir\\Uninstall.exe" /S "_?=$dir"
left=$(find "$installed" -mindepth 1 ! -name Uninstall.exe)
[[ -z $left ]] || { echo "left after uninstall: $left" >&2; exit 1; }
rm -rf "$(dirname "$installed")"

KEYTOOL_SETUP=$(winepath -w "$setup") KEYTOOL_OLD_SETUP=$(winepath -w "$old_setup") \
  KEYTOOL_VERSION=$version wine "$test_exe"
