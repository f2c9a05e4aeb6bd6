#!/usr/bin/env bash
# Creates the large database for benchmarks (alias pesomed_bench) unless it
# exists: the schema, db/bench.sql and the history (db/historico.sql). Pass
# --fresh to make it again.
source "$(dirname "$0")/common.sh"

BENCH_ALIAS=pesomed_bench
BENCH_DB="$FB_DATA/pesomed_bench.fdb"

install_packages
ensure_server
[[ "${1:-}" == --fresh ]] && drop_database "$BENCH_ALIAS" "$BENCH_DB"
start=$(date +%s)
create_database "$BENCH_ALIAS" "$BENCH_DB" "$ROOT/db/schema.sql" "$ROOT/db/bench.sql" "$ROOT/db/historico.sql"
log "bench database ready in $(($(date +%s) - start)) s: $FB_HOST:$BENCH_ALIAS"
