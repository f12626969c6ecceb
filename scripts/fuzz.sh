#!/usr/bin/env bash
# Runs each fuzz target for a set time on one core, then minimises its corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      default: 180 seconds, every target
#
# Builds the libFuzzer programs with clang in build-fuzz (address and
# undefined-behaviour sanitizers on). Each target starts from its corpus in
# fuzz/corpus/<target>; what it finds goes to build-fuzz/work/<target>, and the
# merge of both, minimised, replaces the corpus in the repository, so that
# the normal test suite replays it. Crashes are left as build-fuzz/work/crash-*:
# add the input to the corpus once it is fixed. Prints, per target, the
# executions run and the coverage reached (edges "cov" and features "ft").
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-180}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(description ini registry client_path krcmd_command_line update_document)

bash scripts/deps.sh fuzz

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 "${launcher[@]}" \
  -DKR_FUZZ=ON -DKR_BUILD_GUI=OFF -DKR_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target $(printf '%s_fuzz ' "${targets[@]}")

work=build-fuzz/work
mkdir -p "$work"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
# The targets write their inputs to files; on tmpfs the syncs of the atomic
# writes cost nothing.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
for t in "${targets[@]}"; do
  corpus=fuzz/corpus/$t
  found=$work/$t
  merged=$work/$t.merged
  mkdir -p "$found"
  rm -rf "$merged" && mkdir -p "$merged"
  log=$work/$t.log
  # One worker on one core; -close_fd_mask=2 keeps the programs' own
  # diagnostics (a refused description says why on stderr) out of the log.
  max_len=2048
  [ "$t" = description ] && max_len=4096
  "build-fuzz/fuzz/${t}_fuzz" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -close_fd_mask=2 -artifact_prefix="$work/" \
    "$found" "$corpus" >"$log" 2>&1 || { echo "$t: the fuzzer stopped on a finding, see $log"; continue; }
  # Kept for new edges only, not for new hit counts: a corpus many times
  # smaller that covers the same code.
  "build-fuzz/fuzz/${t}_fuzz" -merge=1 -use_counters=0 -close_fd_mask=2 "$merged" "$corpus" "$found" \
    >"$log.merge" 2>&1
  # Seeds kept by name (seed_*, regress_*) stay: they show a reader the
  # format and the inputs that once broke something. The merge names its
  # files by the SHA-1 of their content, so copies of them are left out.
  kept=$(find "$corpus" -type f \( -name 'seed_*' -o -name 'regress_*' \) -exec sha1sum {} + | cut -d' ' -f1)
  find "$corpus" -type f ! -name 'seed_*' ! -name 'regress_*' -delete
  for f in "$merged"/*; do
    [ -e "$f" ] || continue
    grep -qx "$(basename "$f")" <<<"$kept" && continue
    cp "$f" "$corpus/"
  done
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  last=$(grep -E '^#[0-9]+.*cov:' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" || true)
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" || true)
  echo "$t: executions $execs, $cov, $ft, corpus $(ls "$corpus" | wc -l) files, $(du -sk --apparent-size "$corpus" | cut -f1) KiB"
done
