#!/bin/bash
# Installs what building, running and testing need on Debian 12 (as root).
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(cmake ninja-build g++ clang googletest libgtest-dev openssl
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth x11-utils
  imagemagick fonts-wqy-microhei locales clang-format clang-tidy nlohmann-json3-dev
  nsis osslsigncode wixl msitools libxml2-utils)

# One query for all (each query costs a read of dpkg's database); packages of the native
# architecture named without it, as listed above.
installed=$(dpkg-query -W -f='${db:Status-Abbrev}${binary:Package}\n' "${packages[@]}" 2>/dev/null |
  sed -n "/^ii /{s/^ii *//;s/:$(dpkg --print-architecture)\$//;p}" || true)
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from the locale; without a generated locale it
# silently falls back to 1252. en_US stands for a non-Chinese Windows (1252).
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
locale -a 2>/dev/null | grep -qix 'en_US.utf8' || localedef -i en_US -f UTF-8 en_US.UTF-8
