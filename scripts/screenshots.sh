#!/usr/bin/env bash
# Pictures of every window on the demo database, for looking at them, and the
# detailed report of an approved and a rejected demo formula in the four file
# formats, the rejected one's PDF also as pictures of its pages:
# bash scripts/screenshots.sh [folder]   (default build/screenshots)
source "$(dirname "$0")/common.sh"

OUT="${1:-$BUILD_DIR/screenshots}"
install_packages
build
ensure_server
create_database "$SUITE_ALIAS" "$DEMO_DB" "$ROOT/db/schema.sql" "$ROOT/db/demo.sql" "$ROOT/db/historico.sql"
write_config "$BUILD_DIR/tools"
# A slow simulated balance, so that the "Balança" window is seen while it reads.
start_simulated_balance "$BUILD_DIR/tools" --atraso 1500 --pesos 0.3746
mkdir -p "$OUT"
Xvfb :96 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null || true; kill "$SIM_PID" 2>/dev/null || true' EXIT
for _ in $(seq 50); do DISPLAY=:96 xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=:96 "$BUILD_DIR/tools/capturas" "$OUT"
for pdf in "$OUT"/relatorio-*.pdf; do
  [[ -e "$pdf" ]] && pdftoppm -png -r 80 "$pdf" "${pdf%.pdf}"
done
