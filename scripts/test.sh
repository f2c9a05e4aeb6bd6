#!/usr/bin/env bash
# Installs what is needed, builds, starts the Firebird server with a fresh test
# database and runs every test. Exits with ctest's status.
source "$(dirname "$0")/common.sh"

# PESOMED_TEST_ALIAS lets several checkouts test side by side on one server.
TEST_ALIAS="${PESOMED_TEST_ALIAS:-pesomed_teste}"
TEST_DB="$FB_DATA/$TEST_ALIAS.fdb"

install_packages
build
ensure_server
drop_database "$TEST_ALIAS" "$TEST_DB"
create_database "$TEST_ALIAS" "$TEST_DB" "$ROOT/db/schema.sql" "$ROOT/db/historico.sql"

cd "$BUILD_DIR"
export PESOMED_TEST_DB="$FB_HOST:$TEST_ALIAS"
ctest --output-on-failure "$@"
