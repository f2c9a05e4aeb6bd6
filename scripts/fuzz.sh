#!/usr/bin/env bash
# Fuzzes the readers of outside text with libFuzzer (clang), each for a bounded
# time, starting from the seed corpus in fuzz/corpus:
#   bash scripts/fuzz.sh [seconds per target]   (default 60)
# A crash leaves its input in build-fuzz/crashes and ends with status 1; turn
# it into a test of the suite.
source "$(dirname "$0")/common.sh"

SECONDS_PER_TARGET="${1:-60}"
FUZZ_DIR="$ROOT/build-fuzz"
PACKAGES+=(clang libclang-rt-14-dev)
install_packages

cmake -S "$ROOT" -B "$FUZZ_DIR" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPESOMED_FUZZ=ON >/dev/null
targets=()
for f in "$ROOT"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
cmake --build "$FUZZ_DIR" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$FUZZ_DIR/crashes"
status=0
printf '%-20s %10s %12s %10s\n' target seconds executions exec/s
for t in "${targets[@]}"; do
  work="$FUZZ_DIR/corpus/$t"
  mkdir -p "$work"
  log="$FUZZ_DIR/$t.log"
  if ! "$FUZZ_DIR/fuzz/$t" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 -max_len=4096 \
      -artifact_prefix="$FUZZ_DIR/crashes/$t-" "$work" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1; then
    status=1
    echo "$t: crash, see $log and $FUZZ_DIR/crashes" >&2
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  printf '%-20s %10s %12s %10s\n' "$t" "$SECONDS_PER_TARGET" "$runs" "$((runs / SECONDS_PER_TARGET))"
done
exit $status
