#!/usr/bin/env bash
# Installs the history of the weighings, results and lots (db/historico.sql)
# into an existing suite database. It adds only the history's own tables,
# indexes, procedures and triggers; running it again, or on a database with
# an earlier version of the history, replaces the triggers, procedures and
# indexes and keeps every history row.
#   bash scripts/historico.sh [--sim] DATABASE
# DATABASE as the program reaches it, server and path or alias, for example
# 192.168.0.10:C:\veltramo\dados\veltramo.bd. --sim installs without asking.
# The account is ISC_USER / ISC_PASSWORD when set, else the suite's default.
source "$(dirname "$0")/common.sh"

usage() { echo "uso: bash scripts/historico.sh [--sim] BANCO  (servidor:caminho ou servidor:apelido)" >&2; exit 2; }

ASK=1
DATABASE=
for arg in "$@"; do
  case "$arg" in
    --sim) ASK=0 ;;
    -h | --help) usage ;;
    -*) usage ;;
    *) [[ -z "$DATABASE" ]] || usage; DATABASE="$arg" ;;
  esac
done
[[ -n "$DATABASE" ]] || usage
command -v isql-fb >/dev/null || { echo "isql-fb não encontrado (pacote firebird3.0-utils)" >&2; exit 1; }

USER_NAME="${ISC_USER:-$FB_USER}"
PASSWORD="${ISC_PASSWORD:-$FB_PASSWORD}"
run_isql() { isql-fb -q -b -ch UTF8 -user "$USER_NAME" -password "$PASSWORD" "$DATABASE" "$@"; }
# One number from a query on the database.
count() { printf 'set heading off;\n%s\n' "$1" | run_isql | tr -d '[:space:]'; }

module_tables=$(count "select count(*) from RDB\$RELATIONS where RDB\$RELATION_NAME in ('PESOMED', 'RPESOMED', 'PESCAVAZ');") ||
  { echo "não foi possível abrir o banco $DATABASE" >&2; exit 1; }
if [[ "$module_tables" != 3 ]]; then
  echo "o banco $DATABASE não tem as tabelas PESOMED, RPESOMED e PESCAVAZ: nada foi feito" >&2
  exit 1
fi

if ((ASK)); then
  had=$(count "select count(*) from RDB\$RELATIONS where RDB\$RELATION_NAME = 'HISTPESO';")
  if [[ "$had" == 1 ]]; then
    question="O banco $DATABASE já tem o histórico. Atualizá-lo para esta versão (os registros do histórico são mantidos)?"
  else
    question="Instalar o histórico das pesagens no banco $DATABASE?"
  fi
  read -r -p "$question [s/N] " answer || answer=
  [[ "$answer" == [sS] ]] || { echo "Nada foi feito." >&2; exit 1; }
fi

run_isql -i "$ROOT/db/historico.sql"
active=$(count "select count(*) from RDB\$TRIGGERS where RDB\$TRIGGER_NAME in ('HISTPESO_PESOMED', 'HISTPESO_RPESOMED', 'HISTPESO_PESCAVAZ') and coalesce(RDB\$TRIGGER_INACTIVE, 0) = 0;")
[[ "$active" == 3 ]] || { echo "o histórico não ficou ativo em $DATABASE" >&2; exit 1; }
echo "Histórico das pesagens instalado em $DATABASE."
