#!/usr/bin/env bash
# Installs Debian packages when they are missing: the given ones, or without arguments those that
# building, running and testing need.
#
#   scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

default_packages=(
  build-essential cmake pkg-config nettle-dev
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev googletest libbenchmark-dev
  libktoblzcheck1v5
  clang libclang-rt-14-dev
  xvfb xauth
)
if [ $# -gt 0 ]; then packages=("$@"); else packages=("${default_packages[@]}"); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
