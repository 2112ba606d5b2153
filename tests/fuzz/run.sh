#!/usr/bin/env bash
# Runs the fuzz targets one after the other, each with its seed corpus.
#
#   run.sh BUILD_DIR SECONDS [TARGET...]   each target for SECONDS seconds
#   run.sh -runs N BUILD_DIR [TARGET...]   each target for N executions
#
# BUILD_DIR is a build configured with -DVELMOR_FUZZ=ON (targets built with
# the target fuzz_all). Without TARGETs every built fuzz_* target runs. The
# targets run one at a time, each in a single process. The
# corpus is copied to a scratch directory, so the tree stays as it is; new
# inputs and crash files stay there (the summary names them). Extra libFuzzer
# options can be given in FUZZ_OPTIONS. Prints one line per target and exits
# non-zero when any target found something.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage() {
  echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2
  echo "       $0 -runs N BUILD_DIR [TARGET...]" >&2
  exit 2
}

runs=""
if [ "${1:-}" = "-runs" ]; then
  [ $# -ge 3 ] || usage
  runs=$2
  build=$3
  shift 3
  limit=(-runs="$runs")
else
  [ $# -ge 2 ] || usage
  build=$1
  seconds=$2
  shift 2
  limit=(-max_total_time="$seconds")
fi
bindir="$build/tests/fuzz"
[ -d "$bindir" ] || { echo "no fuzz targets in $bindir (configure with -DVELMOR_FUZZ=ON, build fuzz_all)" >&2; exit 2; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$bindir"/fuzz_*; do
    [ -f "$exe" ] && [ -x "$exe" ] && targets+=("$(basename "$exe")")
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built in $bindir" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmor-fuzz.XXXXXX")
echo "scratch directory: $scratch"
failed=0
printf '%-22s %14s %10s %9s  %s\n' target executions exec/s seconds findings
for target in "${targets[@]}"; do
  exe="$bindir/$target"
  if [ ! -x "$exe" ]; then
    printf '%-22s %14s %10s %9s  %s\n' "$target" - - - "not built"
    failed=1
    continue
  fi
  work="$scratch/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  # The four converter targets share the NMEA seeds.
  seeds="$here/corpus/$target"
  case $target in fuzz_nmea_*) seeds="$here/corpus/fuzz_nmea" ;; esac
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/corpus/"
  # Inputs are kept short: the readers' large-input behaviour is covered
  # by the Qt tests, and short inputs keep the runs fast.
  case $target in
    fuzz_romimage) options=(-max_len=2048) ;;
    *) options=(-max_len=1024) ;;
  esac
  [ -f "$here/$target.dict" ] && options+=(-dict="$here/$target.dict")
  case $target in fuzz_nmea_*) [ -f "$here/fuzz_nmea.dict" ] && options+=(-dict="$here/fuzz_nmea.dict") ;; esac
  start=$(date +%s)
  # shellcheck disable=SC2086
  "$exe" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "${options[@]}" ${FUZZ_OPTIONS:-} \
    "$work/corpus" >"$work/log" 2>&1
  status=$?
  elapsed=$(($(date +%s) - start))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -n 1)
  crashes=$(find "$work/artifacts" -type f | head -n 5 | tr '\n' ' ')
  if [ $status -ne 0 ] || [ -n "$crashes" ]; then
    failed=1
    finding="${crashes:-exit status $status, see $work/log}"
  else
    finding=0
  fi
  printf '%-22s %14s %10s %9s  %s\n' "$target" "${execs:-?}" "${speed:-?}" "$elapsed" "$finding"
done
exit $failed
