#!/usr/bin/env bash
# Installs the Debian packages the Windows lane needs (the cross compiler, the binutils,
# Wine, the source-package tools, pybind11's headers) and the deb-src entry that
# `apt-get source` reads: the machine's own Debian entry again, with Types: deb-src.
# Safe to run again.
set -euo pipefail
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo

src_list=/etc/apt/sources.list.d/tarvelle-deb-src.sources
updated=no
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && [ ! -f "$src_list" ]; then
  base=/etc/apt/sources.list.d/debian.sources
  [ -f "$base" ] || { echo "no $base to derive the deb-src entry from" >&2; exit 1; }
  sed 's/^Types:.*/Types: deb-src/' "$base" | $SUDO tee "$src_list" >/dev/null
  $SUDO apt-get update -qq
  updated=yes
fi

packages=(clang-19 lld-19 llvm-19 wine wine64 dpkg-dev cmake ninja-build make g++ pkg-config
          python3 googletest pybind11-dev xz-utils file)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}" >&2
  [ "$updated" = yes ] || $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
