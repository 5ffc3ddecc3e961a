#!/bin/bash
# Builds the signed release installer build/dist/QelmoraKeyToolSetup-VERSION.exe and the MSI
# build/dist/QelmoraKeyTool-VERSION.msi (VERSION from project() in CMakeLists.txt) from the same
# staged release binaries (stripped), signed:
#   tools/package.sh [--keylib PATH] [--version X.Y.Z] [--out DIR] [--x64]
# --keylib PATH  packages the bank's own DravikFun_tovex.dll (unsigned by us) instead of ours,
#                and then neither keyadmin.exe nor the demo key.
# --version, --out  another version number and folder (tests make a lower version this way).
# --x64          a 64-bit installer and MSI of the windows64 build, into build/dist-test64 unless
#                --out says otherwise: for the installer test where only 64-bit programs run. The
#                release stays 32-bit.
# Signs with KEYTOOL_SIGN_PFX / KEYTOOL_SIGN_PASS (and KEYTOOL_SIGN_TIMESTAMP) when they are set;
# otherwise with a throwaway test certificate made once in build/signing/ (CA: ca.pem there).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
version=$(sed -nE 's/^project\([A-Za-z]+ VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' CMakeLists.txt)
keylib=""
out=""
preset=windows
while (($#)); do
  case $1 in
    --keylib) keylib=$(realpath "$2") ;;
    --version) version=$2 ;;
    --out) out=$2 ;;
    --x64) preset=windows64; shift; continue ;;
    *)
      echo "usage: tools/package.sh [--keylib PATH] [--version X.Y.Z] [--out DIR] [--x64]" >&2
      exit 2
      ;;
  esac
  shift 2
done
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "package: bad version '$version'" >&2; exit 2; }
[[ -z $keylib || -f $keylib ]] || { echo "package: no such key library: $keylib" >&2; exit 2; }

tools/setup.sh
tools/build.sh $preset QelmoraKeyTool ukeyctl stopkeytool keylib_dll keyadmin >/dev/null
if [[ -z ${KEYTOOL_SIGN_PFX:-} ]]; then
  tools/make-signing-cert.sh build/signing
  export KEYTOOL_SIGN_PFX=$root/build/signing/signer.pfx
  KEYTOOL_SIGN_PASS=$(cat build/signing/signer.pass)
  export KEYTOOL_SIGN_PASS
fi

bin=build/$preset/bin
stage=$(mktemp -d "$root/build/package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
ours=(QelmoraKeyTool.exe ukeyctl.exe stopkeytool.exe)
[[ -z $keylib ]] && ours+=(DravikFun_tovex.dll keyadmin.exe)
for f in "${ours[@]}"; do
  cp "$bin/$f" "$stage/"
  tools/sign.sh "$stage/$f"
done
defines=()
msi_defines=()
if [[ -n $keylib ]]; then
  cp "$keylib" "$stage/DravikFun_tovex.dll"
else
  tools/wine-prefix.sh
  # The key file is the same whichever build's keyadmin writes it.
  (. tools/wine-env.sh && tools/build.sh "$KEYTOOL_PRESET" >/dev/null &&
    tools/demo-key.sh "$stage/keys" >/dev/null)
  mv "$stage/keys/demo.key" "$stage/"
  defines+=(-DOUR_KEYLIB)
  msi_defines+=(-D OurKeyLib=1)
fi

if [[ $preset == windows64 ]]; then
  out=${out:-build/dist-test64}
  defines+=(-DX64)
  msi_defines+=(-a x64 -D ProgramFiles=ProgramFiles64Folder -D Win64=yes)
else
  out=${out:-build/dist}
  msi_defines+=(-D ProgramFiles=ProgramFilesFolder -D Win64=no)
fi
mkdir -p "$out"
setup=$(realpath "$out")/QelmoraKeyToolSetup-$version.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
  -DSIGN="$root/tools/sign.sh" -DICON="$root/res/KeyTool.ico" "${defines[@]}" \
  installer/KeyToolSetup.nsi

# wixl takes sources relative to the folder it runs in.
msi=$(realpath "$out")/QelmoraKeyTool-$version.msi
cp res/KeyTool.ico "$stage/"
(cd "$stage" && wixl -D Version="$version" -D Stage=. -D Icon=KeyTool.ico "${msi_defines[@]}" \
  -o "$msi" "$root/installer/KeyTool.wxs")
# What this wixl cannot say in the .wxs: the logon start's condition, and the older version
# removed right after InstallInitialize, before any file of the new one is written.
msibuild "$msi" -q "UPDATE Component SET Condition = 'AUTOSTART<>\"0\"' WHERE Component = 'Autostart'" \
  -q "UPDATE InstallExecuteSequence SET Sequence = 1501 WHERE Action = 'RemoveExistingProducts'"
tools/sign.sh "$msi"
echo "$msi"
echo "$setup"
