#!/usr/bin/env bash
# Start-up of the program on the large database under Xvfb, 11 runs:
# bash bench/startup.sh   (after scripts/bench-db.sh)
source "$(dirname "$0")/../scripts/common.sh"

cmake --build "$BUILD_DIR" --target bench_startup -j"$(nproc)" >/dev/null
write_config "$BUILD_DIR/bench"
Xvfb :95 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
for _ in $(seq 50); do DISPLAY=:95 xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
for i in $(seq 11); do
  DISPLAY=:95 "$BUILD_DIR/bench/bench_startup" 2>/dev/null
done | sort -n | awk '{ print } { t[NR] = $1; m[NR] = $3; n = $6 }
  END {
    h = int(NR / 2) + 1
    printf "median %.1f ms, resident %d kB\n", t[h], m[h]
    # The row of the table of scripts/benchmarks.sh (bench/Medidas.h).
    printf "@table\tstart-up to the main window, datasets open\t%s orders listed\t%.4f\t%.4f\t%.4f\t-\t%d\n", n, t[h], t[1], t[NR], m[h]
  }'
