#!/bin/bash
# The installer tests: the release installer and MSI from build/dist (tools/package.sh) and a
# lower version of both packaged from the same binaries, in a Wine prefix of their own copied
# from the test prefix, with a Wine server of their own; the removal while the tool runs once
# more under an English Windows's code page. Where only 64-bit programs run, every case runs on
# 64-bit packages of the windows64 build (tools/package.sh --x64).
#   tests/installer/run.sh INSTALLER_TEST_EXE
set -euo pipefail
test_exe=$1
cd "$(dirname "$0")/../.."
. tools/wine-env.sh
test_prefix=$WINEPREFIX
root=$PWD
version=$(sed -nE 's/^project\([A-Za-z]+ VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' CMakeLists.txt)
work=$root/build/installer-test
rm -rf "$work"
mkdir -p "$work"
x64=()
dist=build/dist
if [[ $KEYTOOL_WINEARCH == win64 ]]; then
  x64=(--x64)
  dist=build/dist-test64
  tools/package.sh --x64 >/dev/null
fi
setup=$root/$dist/QelmoraKeyToolSetup-$version.exe
msi=$root/$dist/QelmoraKeyTool-$version.msi
[[ -f $setup && -f $msi ]] || { echo "no $setup or $msi: run tools/package.sh first" >&2; exit 1; }
old_setup=$(tools/package.sh "${x64[@]}" --version 0.9.0 --out "$work" | tail -1)
old_msi=$work/QelmoraKeyTool-0.9.0.msi
packages=("$setup" "$old_setup" "$msi" "$old_msi")

for f in "${packages[@]}"; do
  osslsigncode verify -CAfile build/signing/ca.pem -in "$f" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; echo "signature of $f does not verify" >&2; exit 1; }
done

# Named by the test prefix's running server, not by the fresh one of the copy below; assigned
# apart from the export, so that a failing winepath stops the run.
KEYTOOL_MSI=$(winepath -w "$msi")
KEYTOOL_OLD_MSI=$(winepath -w "$old_msi")
export KEYTOOL_MSI KEYTOOL_OLD_MSI KEYTOOL_VERSION=$version

export KEYTOOL_WINEPREFIX=$work/prefix
. tools/wine-env.sh
cp -a "$test_prefix" "$WINEPREFIX"
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/QelmoraKeys
wineserver -p
trap 'wineserver -k || true' EXIT
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null

# Installs SETUP silently where /D= says, checks that exactly FILES are there, signed by us
# (the bank's library as it was given), and uninstalls it again.
#   install_and_check SETUP DIR BANK-KEYLIB|"" FILES...
install_and_check() {
  local setup=$1 dir=$2 bank=$3 installed f left
  shift 3
  wine "$setup" /S "/D=$dir"
  installed=$(winepath -u "$dir")
  [[ $(cd "$installed" && ls | sort) == $(printf '%s\n' "$@" | sort) ]] ||
    { ls "$installed"; echo "$setup installed other files than: $*" >&2; return 1; }
  for f in "$@"; do
    [[ $f == *.key ]] && continue
    if [[ -n $bank && $f == DravikFun_tovex.dll ]]; then
      cmp "$bank" "$installed/$f" || { echo "the bank's library was changed" >&2; return 1; }
      continue
    fi
    osslsigncode verify -CAfile build/signing/ca.pem -in "$installed/$f" >"$work/verify.log" 2>&1 ||
      { cat "$work/verify.log"; echo "installed $f: signature does not verify" >&2; return 1; }
  done
  # Run in place (_?=) the uninstaller waits for itself, and leaves only itself behind.
  wine "$dir\\Uninstall.exe" /S "_?=$dir"
  left=$(find "$installed" -mindepth 1 ! -name Uninstall.exe)
  [[ -z $left ]] || { echo "left after uninstall: $left" >&2; return 1; }
  rm -rf "$(dirname "$installed")"
}
install_and_check "$setup" 'C:\SignCheck\UsbKeyTool' "" \
  QelmoraKeyTool.exe ukeyctl.exe DravikFun_tovex.dll keyadmin.exe demo.key Uninstall.exe
# The bank's library stands in as a copy of ours that we did not sign.
cp "$KEYTOOL_BIN/DravikFun_tovex.dll" "$work/bank-keylib.dll"
bank_setup=$(tools/package.sh "${x64[@]}" --keylib "$work/bank-keylib.dll" --out "$work/bank" | tail -1)
install_and_check "$bank_setup" 'C:\BankCheck\UsbKeyTool' "$work/bank-keylib.dll" \
  QelmoraKeyTool.exe ukeyctl.exe DravikFun_tovex.dll Uninstall.exe

# The interactive installer greets in Chinese; a screenshot is left for the eye.
wine "$setup" &
setup_pid=$!
title="QelmoraUsbKey管理工具 安装"
geometry=""
for _ in $(seq 150); do
  geometry=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" |
    grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -1 || true)
  [[ -n $geometry ]] && break
  sleep 0.2
done
[[ -n $geometry ]] || { echo "no installer window titled $title" >&2; exit 1; }
sleep 1
import -window root -crop "$geometry" +repage "$work/welcome-page.png"
kill "$setup_pid"

export KEYTOOL_SETUP=$(winepath -w "$setup") KEYTOOL_OLD_SETUP=$(winepath -w "$old_setup")
KEYTOOL_CODEPAGE=936 wine "$test_exe"
# An English Windows (code page 1252): the uninstaller still finds the running tool by its title.
LC_ALL=en_US.UTF-8 KEYTOOL_CODEPAGE=1252 wine "$test_exe" \
  --gtest_filter=Setup.DowngradeIsRefusedAndUninstallEndsTheToolButKeepsTheKeys
