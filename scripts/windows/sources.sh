#!/usr/bin/env bash
# Fetches the Debian source packages the Windows sysroots and dependencies are built from
# into $1 (their .dsc and tarballs, with `apt-get source --download-only`), and prints the
# cache key: the Debian versions fetched, with the googletest package's version and the
# recipe's own number, as a short digest (the versions themselves are written to
# DIR/last-key). Each package is tried at its candidate version first, then at the
# other versions the deb-src entry lists (a security update may list a version its mirror
# does not hold).
#   sources.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
# Raised whenever the recipe in these scripts changes what lands in the cache.
recipe=1
key="r$recipe"
for pkg in mingw-w64 llvm-toolchain-19 pcre2 nlohmann-json3 icu; do
  got=""
  for ver in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -u -r -V); do
    if ls "${pkg}_${ver#*:}.dsc" >/dev/null 2>&1 ||
       apt-get source --download-only -qq "$pkg=$ver" >/dev/null 2>&1; then
      got=$ver
      break
    fi
  done
  [ -n "$got" ] || { echo "could not fetch the source of $pkg" >&2; exit 1; }
  echo "$pkg $got" >&2
  key="$key-${pkg}_${got#*:}"
done
gtest=$(dpkg-query -W -f='${Version}' googletest)
key="$key-googletest_$gtest"
# The folder name: the versions' digest (the versions themselves go in its KEY file).
echo "$key" >"$dir/last-key"
printf '%s\n' "$key" | sha256sum | cut -c1-16
