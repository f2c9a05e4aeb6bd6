#!/usr/bin/env bash
# Pictures of every window on the demo database, for looking at them, and the
# detailed report of an approved and a rejected demo formula and of one of
# 1 000 capsules in the four file formats, their PDFs also as pictures of their
# pages, and, with LibreOffice installed, their RTF compared with the PDF:
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
# A formula of 1 000 analysed capsules, reported in every format and removed again.
remove_thousand() {
  isql "$FB_HOST:$SUITE_ALIAS" >/dev/null <<'SQL'
delete from PESOMED where NPEDIDO = 9001;
delete from RPESOMED where NPEDIDO = 9001;
delete from PEDIFORM where NPEDIDO = 9001;
delete from PEDIDOS where NPEDIDO = 9001;
commit;
SQL
}
remove_thousand
isql "$FB_HOST:$SUITE_ALIAS" >/dev/null <<'SQL'
insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO, DATAPEDIDO, NOME) values ('01', 9001, 'Pedido', '2026-01-26', 'Cliente de 1 000 cápsulas');
insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA) values ('01', 9001, 1, 'Cápsulas');
set term ^ ;
execute block as declare i int = 0; begin while (i < 1000) do begin i = i + 1;
  insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) values (900000 + :i, '010090011', '01', 9001, 1, :i, 295 + mod(:i * 37, 11)); end end^
set term ; ^
insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, QDECAPS, PESOTOTAL, PESOMEDIO, RESULTADO, DATA_EMISSAO)
  select 9001, '010090011', '01', 9001, 1, count(*), sum(PESO), sum(PESO) / count(*), 'Aprovado', '2026-01-28' from PESOMED where NPEDIDO = 9001;
update PESOMED set VARIACAOPESO = PESO - (select PESOMEDIO from RPESOMED where NPEDIDO = 9001) where NPEDIDO = 9001;
commit;
SQL
DISPLAY=:96 "$BUILD_DIR/tools/capturas" "$OUT" --relatorio 9001 relatorio-mil
remove_thousand
for pdf in "$OUT"/relatorio-*.pdf; do
  [[ -e "$pdf" && "$pdf" != *-lo.pdf ]] && pdftoppm -png -r 80 "$pdf" "${pdf%.pdf}"
done

# The RTF as a word processor lays it out: LibreOffice, when installed, converts
# each report's RTF to PDF, which must have the pages of ours, each beginning
# and ending with the same capsule line.
capsules_by_page() { # pdf: one line per page, "first-last" capsule number (or "-")
  local pages
  pages=$(pdfinfo "$1" | awk '/^Pages:/ {print $2}')
  for ((p = 1; p <= pages; p++)); do
    pdftotext -layout -f "$p" -l "$p" "$1" - |
      awk '/^ *(►|>)? *[0-9]+ +-?[0-9.]+,[0-9][0-9][0-9][0-9]/ { sub(/^ *(►|>)? */, ""); n = $1; if (first == "") first = n; last = n }
           END { print (first == "" ? "-" : first "-" last) }'
  done
}
if command -v soffice >/dev/null 2>&1; then
  LO_DIR=$(mktemp -d)
  for rtf in "$OUT"/relatorio-*.rtf; do
    [[ -e "$rtf" ]] || continue
    base=$(basename "${rtf%.rtf}")
    soffice --headless -env:UserInstallation="file://$LO_DIR/perfil" --convert-to pdf --outdir "$LO_DIR" "$rtf" >/dev/null 2>&1
    cp "$LO_DIR/$base.pdf" "$OUT/$base-lo.pdf"
    ours=$(capsules_by_page "$OUT/$base.pdf" | paste -sd' ')
    theirs=$(capsules_by_page "$OUT/$base-lo.pdf" | paste -sd' ')
    if [[ "$ours" == "$theirs" ]]; then
      log "$base: the RTF in LibreOffice has the PDF's pages ($ours)"
    else
      log "$base: the RTF in LibreOffice breaks otherwise: PDF $ours, LibreOffice $theirs"
      RTF_DIFFERS=1
    fi
    pdftoppm -png -r 50 -l 2 "$OUT/$base-lo.pdf" "$OUT/$base-lo"
  done
  rm -rf "$LO_DIR"
  [[ -z "${RTF_DIFFERS:-}" ]] || exit 1
else
  log "LibreOffice (soffice) not installed: the RTF is not compared with the PDF"
fi
