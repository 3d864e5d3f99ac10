#!/bin/sh
# Builds the benchmarks (Release, in build-bench/) and runs one of them.
#   bench/run.sh scan [DIR [--crc] [--archives] [--label LABEL] [--update CATALOG]]  scan a generated tree (then update it, 1 GiB with checksums, 1 000 ZIPs with their contents), or DIR into a fresh catalog or CATALOG
#   bench/run.sh catalog [CATALOG | --generate N | --files N [CATALOG]]  large-catalog timings of the main window (--files: window start figures open_<N>_*, medians of 3; CATALOG generated there when missing, then kept)
#   bench/run.sh browse [CATALOG]   browsing a 1 000 000-file catalog in the main window
#   bench/run.sh import [--rows N | FILE.mdb]  converting a generated Jet catalog (200 000 files, or about N rows in all: import_<N>_s) through the program's child process, or FILE.mdb
#   bench/run.sh keywords [CATALOG] the keyword windows opening, showing and storing a record's keywords on 1 000 000 files
#   bench/run.sh search [--dense] [--files N] [CATALOG]  searches and bulk commands on a 1 000 000-file catalog with keywords (--dense: many links)
#   bench/run.sh retrieve [DIR] copying back from media and athozo against cp, in DIR
#   bench/run.sh kerdes [CATALOG]   the compound search through its window, on the same catalog
#   bench/run.sh cli [CATALOG]      polcozo-keres as a process, on the same catalog
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-}
[ $# -gt 0 ] && shift
case "$what" in
  scan) target="polcozo_bench_scan polcozo-archivum" ;;
  catalog) target=polcozo_bench_catalog ;;
  browse) target=polcozo_bench_browse ;;
  import) target=polcozo_bench_import ;;
  keywords) target=polcozo_bench_keywords ;;
  search) target=polcozo_bench_search ;;
  retrieve) target=polcozo_bench_retrieve ;;
  kerdes) target=polcozo_bench_kerdes ;;
  cli) target=polcozo_bench_cli ;;
  *) echo "usage:" >&2; grep "^#   bench/run.sh" "$0" | cut -c3- >&2; exit 2 ;;
esac
cmake -S "$here" -B "$here/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
# shellcheck disable=SC2086 # the scan also needs the archive reader beside it
cmake --build "$here/build-bench" --target $target -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$here/build-bench/bench/${target%% *}" "$@"
