#!/usr/bin/env bash
# Installs what is needed, builds, makes sure the Firebird server runs with the
# demo database, writes the configuration beside the executable and starts the
# program. Without a display it runs under Xvfb, saves a screenshot and stops.
# BALANCA_SIMULADA=1: with a simulated balance (MT-SICS) on a pseudo-terminal,
# written into PesoMed.ini beside the executable.
source "$(dirname "$0")/common.sh"

install_packages
build
ensure_server
create_database "$SUITE_ALIAS" "$DEMO_DB" "$ROOT/db/schema.sql" "$ROOT/db/demo.sql" "$ROOT/db/historico.sql"
write_config "$BUILD_DIR/app"
SIM_PID=
if [[ "${BALANCA_SIMULADA:-}" == 1 ]]; then
  start_simulated_balance "$BUILD_DIR/app" --instavel 2 --pesos 0.3746,0.3812,0.3790,0.3765,0.3801,0.3779
else
  forget_simulated_balance "$BUILD_DIR/app"
fi

EXE="$BUILD_DIR/app/PesoMed"
if [[ -n "${DISPLAY:-}" ]]; then
  # The simulated balance goes with the program.
  exec "$EXE"
fi

SHOT="$BUILD_DIR/screenshot-main.png"
DISPLAY_NUM=:97
Xvfb "$DISPLAY_NUM" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$APP_PID" 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true; [[ -n "$SIM_PID" ]] && kill "$SIM_PID" 2>/dev/null; true' EXIT
export DISPLAY="$DISPLAY_NUM"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$EXE" &
APP_PID=$!
sleep "${SCREENSHOT_DELAY:-4}"
import -window root "$SHOT"
# The database client catches SIGTERM: give it a moment, then insist.
kill "$APP_PID" 2>/dev/null || true
for _ in $(seq 30); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
echo "Screenshot: $SHOT"
