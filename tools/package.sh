#!/usr/bin/env bash
# Builds the Debian package with Debian's hardening flags and checks it.
#   tools/package.sh [BUILD_FOLDER]      (default build-package)
# Leaves polcozo_VERSION_ARCH.deb in the build folder; fails on any lintian
# error or warning, any AppStream or desktop-entry complaint.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-package}
cmake -S . -B "$build" -DPOLCOZO_HARDENING=ON
start=$(date +%s)
(cd "$build" && cpack)
echo "cpack: $(( $(date +%s) - start )) s"
deb=$(ls -t "$build"/polcozo_*.deb | head -1)
staged=$(mktemp -d)
trap 'rm -rf "$staged"' EXIT
dpkg-deb -x "$deb" "$staged"
status=0
lintian --fail-on error,warning "$deb" || status=1
appstreamcli validate --pedantic --no-net \
  "$staged"/usr/share/metainfo/hu.polcozo.polcozo.metainfo.xml || status=1
desktop-file-validate "$staged"/usr/share/applications/hu.polcozo.polcozo.desktop || status=1
echo "$deb"
exit $status
