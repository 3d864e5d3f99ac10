#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# With --ci also what CI adds: clang and its sanitizer and libFuzzer runtimes,
# and the package checks (lintian, AppStream, desktop-file-utils).
set -eu
packages="g++ make cmake pkg-config qt6-base-dev libsqlite3-dev qt6-translations-l10n mdbtools-dev libmdb3 mdbtools zlib1g-dev libarchive-dev"
if [ "${1:-}" = "--ci" ]; then
  packages="$packages clang libclang-rt-14-dev lintian appstream desktop-file-utils"
fi
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
$as_root apt-get update -q
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -q $missing
