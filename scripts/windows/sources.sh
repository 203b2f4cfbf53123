#!/usr/bin/env bash
# Fetches the Debian source packages the Windows sysroots and dependencies are built from
# into $1 (their .dsc and tarballs, with `apt-get source --download-only`), and prints the
# cache key: the Debian versions fetched, with the googletest package's version and the
# recipe's own number, as a short digest (the versions themselves are written to
# DIR/last-key). Each package is tried at its candidate version first, then at the
# other versions the deb-src entry lists (a security update may list a version its mirror
# does not hold). It also fetches python3.11, whose headers the lane compiles host/
# against (python-headers.sh unpacks them); they go into no sysroot, so its version is
# not part of the key but written to DIR/python3.11.version.
#   sources.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
# Raised whenever the recipe in these scripts changes what lands in the cache.
recipe=1
key="r$recipe"
fetch() {  # fetch PACKAGE: fetches its source once; sets $got to the version fetched
  got=""
  for ver in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -u -r -V); do
    if ls "${1}_${ver#*:}.dsc" >/dev/null 2>&1 ||
       apt-get source --download-only -qq "$1=$ver" >/dev/null 2>&1; then
      got=$ver
      break
    fi
  done
  [ -n "$got" ] || { echo "could not fetch the source of $1" >&2; exit 1; }
  echo "$1 $got" >&2
}
for pkg in mingw-w64 llvm-toolchain-19 pcre2 nlohmann-json3 icu; do
  fetch "$pkg"
  key="$key-${pkg}_${got#*:}"
done
fetch python3.11
echo "$got" >"$dir/python3.11.version"
gtest=$(dpkg-query -W -f='${Version}' googletest)
key="$key-googletest_$gtest"
# The folder name: the versions' digest (the versions themselves go in its KEY file).
echo "$key" >"$dir/last-key"
printf '%s\n' "$key" | sha256sum | cut -c1-16
