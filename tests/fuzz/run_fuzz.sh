#!/usr/bin/env bash
# run_fuzz.sh FUZZER KIND SECONDS MAX_LEN WORK SEED_FOLDER...
# Runs the fuzz target on one kind of input for SECONDS. New inputs go to WORK/corpus-KIND (kept between
# runs); the seed folders are only read (one that is missing is left out). A crash or a broken rule
# fails the test and leaves its input in WORK/crashes, to be added to tests/fuzz/regressions/KIND/.
set -u
fuzzer=$1 kind=$2 seconds=$3 maxlen=$4 work=$5
shift 5
mkdir -p "$work/corpus-$kind" "$work/crashes"
seeds=()
for folder in "$@"; do
  [ -d "$folder" ] && seeds+=("$folder")
done
QLN_FUZZ_TARGET=$kind "$fuzzer" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 -max_len="$maxlen" \
  -artifact_prefix="$work/crashes/$kind-" -print_final_stats=1 "$work/corpus-$kind" "${seeds[@]}"
rc=$?
if [ $rc -ne 0 ]; then
  echo "run_fuzz.sh: the $kind fuzz run failed (exit $rc); its input is in $work/crashes/:" >&2
  ls -t "$work/crashes" | head -3 >&2
  echo "copy it into tests/fuzz/regressions/$kind/ so that FuzzRegressions runs it in every build" >&2
fi
exit $rc
