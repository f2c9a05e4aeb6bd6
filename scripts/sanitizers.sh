#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan and runs the whole suite there, on a test database of its own.
#   bash scripts/sanitizers.sh [ctest arguments]
source "$(dirname "$0")/common.sh"

export BUILD_DIR="$ROOT/build-asan"
TEST_ALIAS="${PESOMED_TEST_ALIAS:-pesomed_teste_asan}"
TEST_DB="$FB_DATA/$TEST_ALIAS.fdb"

install_packages
log "building with sanitizers in $BUILD_DIR"
cmake -S "$ROOT" -B "$BUILD_DIR" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPESOMED_SANITIZE=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
ensure_server
drop_database "$TEST_ALIAS" "$TEST_DB"
create_database "$TEST_ALIAS" "$TEST_DB" "$ROOT/db/schema.sql" "$ROOT/db/historico.sql"

cd "$BUILD_DIR"
export PESOMED_TEST_DB="$FB_HOST:$TEST_ALIAS"
# Leaks of the toolkit's and the database client's own start-up are not ours;
# every other finding ends the test with an error.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --output-on-failure "$@"
