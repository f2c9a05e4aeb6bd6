#!/usr/bin/env bash
# Every benchmark in one command: installs what is needed, builds the
# benchmarks, makes sure the server and the large database exist
# (bench-db.sh), runs each benchmark on it, locally and over the slow link,
# and prints one table from the "@table" rows they print (bench/Medidas.h).
# The benchmarks that empty a test database get one of their own, made afresh
# and dropped at the end: BENCH_TEST_ALIAS, default pesomed_teste_bench.
# The benchmarks' own output is kept in build/benchmarks.log.
source "$(dirname "$0")/common.sh"

BENCH_ALIAS=pesomed_bench
TEST_ALIAS="${BENCH_TEST_ALIAS:-pesomed_teste_bench}"
TEST_DB="$FB_DATA/$TEST_ALIAS.fdb"
LOG="$BUILD_DIR/benchmarks.log"
BIN="$BUILD_DIR/bench"
LARGE="$FB_HOST:$BENCH_ALIAS"

install_packages
bash "$ROOT/scripts/bench-db.sh"
log "building the benchmarks in $BUILD_DIR"
cmake -S "$ROOT" -B "$BUILD_DIR" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target benchmarks -j"$(nproc)" >/dev/null
drop_database "$TEST_ALIAS" "$TEST_DB"
create_database "$TEST_ALIAS" "$TEST_DB" "$ROOT/db/schema.sql" "$ROOT/db/historico.sql"
trap 'drop_database "$TEST_ALIAS" "$TEST_DB"' EXIT

# What the benchmarks add to the large database, they delete: checked by counting.
rows_added_to() {
  printf 'set heading off;\nselect (select count(*) from PESOMED) || %s || (select count(*) from RPESOMED) || %s ||
    (select count(*) from PESCAVAZ) from rdb$database;\n' "' '" "' '" | isql "$LARGE" | xargs
}

export QT_QPA_PLATFORM=offscreen
export PESOMED_TEST_DB="$FB_HOST:$TEST_ALIAS"
FAILED=()
: >"$LOG"
# run NAME COMMAND...: its output into the log, on the terminal without the rows.
run() {
  local name="$1"
  shift
  log "$name"
  printf '== %s\n' "$name" >>"$LOG"
  if ! "$@" 2>>"$LOG" | tee -a "$LOG" | { grep -v '^@table' || true; } >&2; then
    FAILED+=("$name")
  fi
}

before=$(rows_added_to)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date +%s)
run bench_datasets "$BIN/bench_datasets" "$LARGE"
run bench_pesagem "$BIN/bench_pesagem" "$LARGE"
run bench_digitacao "$BIN/bench_digitacao" "$LARGE"
run bench_lotes "$BIN/bench_lotes" "$LARGE"
run bench/startup.sh bash "$ROOT/bench/startup.sh"
run bench_analise "$BIN/bench_analise" "$FB_HOST:$TEST_ALIAS"
run bench_relatorio "$BIN/bench_relatorio" "$FB_HOST:$TEST_ALIAS"
run bench_balanca "$BIN/bench_balanca"
run bench_latencia "$BIN/bench_latencia" "$BENCH_ALIAS" "$TEST_ALIAS"
run bench_historico "$BIN/bench_historico" "$FB_HOST:$TEST_ALIAS"
after=$(rows_added_to)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

firebird=$(dpkg-query -W -f='${Version}' firebird3.0-server 2>/dev/null || echo '?')
printf '\n%s cores, Debian %s, Firebird %s on %s; load average %s before, %s after; %d s\n\n' \
  "$(nproc)" "$(cat /etc/debian_version 2>/dev/null || echo '?')" "$firebird" "$FB_HOST" \
  "$load_before" "$load_after" "$(($(date +%s) - started))"
# One aligned table (Markdown) of every row; times in ms from the rows,
# written in s, ms or µs; memory in MB. Widths counted in characters.
grep '^@table' "$LOG" | LC_ALL=C awk -F'\t' '
  function width(s) { gsub(/[\200-\277]/, "", s); return length(s) }
  function pad(s, n, right) {
    while (width(s) < n) s = right ? " " s : s " "
    return s
  }
  function time(ms) {
    if (ms >= 1000) return sprintf("%.2f s", ms / 1000)
    if (ms >= 100) return sprintf("%.0f ms", ms)
    if (ms >= 10) return sprintf("%.1f ms", ms)
    if (ms >= 1) return sprintf("%.2f ms", ms)
    if (ms >= 0.01) return sprintf("%.0f \302\265s", ms * 1000)
    if (ms >= 0.001) return sprintf("%.1f \302\265s", ms * 1000)
    return sprintf("%.2f \302\265s", ms * 1000)
  }
  BEGIN {
    n = 1
    split("Action|Size|Median|Minimum|Maximum|Turns|Resident memory", cell, "|")
    for (c = 1; c <= 7; c++) t[1, c] = cell[c]
  }
  {
    n++
    t[n, 1] = $2; t[n, 2] = ($3 == "-" ? "\342\200\223" : $3)
    t[n, 3] = time($4); t[n, 4] = time($5); t[n, 5] = time($6)
    t[n, 6] = ($7 == "-" ? "\342\200\223" : $7)
    t[n, 7] = sprintf("%.1f MB", $8 / 1024)
  }
  END {
    for (r = 1; r <= n; r++)
      for (c = 1; c <= 7; c++)
        if (width(t[r, c]) > w[c]) w[c] = width(t[r, c])
    for (r = 1; r <= n; r++) {
      line = "|"
      for (c = 1; c <= 7; c++) line = line " " pad(t[r, c], w[c], c > 2 && r > 1) " |"
      print line
      if (r == 1) {
        line = "|"
        for (c = 1; c <= 7; c++) {
          dash = ""
          while (length(dash) < w[c]) dash = dash "-"
          line = line (c > 2 ? "-" dash ":|" : "-" dash "-|")
        }
        print line
      }
    }
  }'

[[ "$before" == "$after" ]] || echo "the large database changed: PESOMED, RPESOMED, PESCAVAZ rows $before before, $after after" >&2
if ((${#FAILED[@]})); then
  echo "failed: ${FAILED[*]} (see $LOG)" >&2
  exit 1
fi
