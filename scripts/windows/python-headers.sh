#!/usr/bin/env bash
# Unpacks the interpreter's headers for compiling host/ for Windows: Include/ of the
# python3.11 source that sources.sh fetched into SOURCES, with the Windows PC/pyconfig.h
# beside them, into DEST/python3.11-<version>/include (once per version). Prints that
# folder.
#   python-headers.sh SOURCES DEST
set -euo pipefail
sources=$1 dest=$2
ver=$(cat "$sources/python3.11.version")
ver=${ver#*:}
upstream=${ver%-*}
out=$dest/python3.11-$ver/include
if [ ! -e "$out/.unpacked" ]; then
  work=$dest/python3.11-$ver/unpack
  rm -rf "$out" "$work"
  mkdir -p "$work"
  tarball=""
  for z in gz xz bz2; do
    [ -e "$sources/python3.11_$upstream.orig.tar.$z" ] && tarball=$sources/python3.11_$upstream.orig.tar.$z
  done
  [ -n "$tarball" ] || { echo "no python3.11 $upstream source in $sources" >&2; exit 1; }
  tar -xf "$tarball" -C "$work" --strip-components=1 "Python-$upstream/Include" "Python-$upstream/PC/pyconfig.h"
  mv "$work/Include" "$out"
  mv "$work/PC/pyconfig.h" "$out/pyconfig.h"
  rm -rf "$work"
  touch "$out/.unpacked"
fi
echo "$out"
