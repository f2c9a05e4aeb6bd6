# Shared steps of the run and test commands. Every step is safe to run again.
# Sourced by run.sh and test.sh; expects to run as root on Debian 12.

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
FB_USER=SYSDBA
FB_PASSWORD=tamarindo
FB_HOST=127.0.0.1
FB_PORT=3050
FB_DATA=/var/lib/firebird/3.0/data
FB_SECURITY=/var/lib/firebird/3.0/system/security3.fdb
FB_CONF=/etc/firebird/3.0/databases.conf
# The database location the program sends to the server, mapped by an alias.
SUITE_ALIAS='C:\veltramo\dados\veltramo.bd'
DEMO_DB="$FB_DATA/veltramo.fdb"

PACKAGES=(cmake g++ make qt6-base-dev qt6-charts-dev qt6-5compat-dev qt6-serialport-dev libgl-dev
  firebird3.0-server firebird-dev firebird3.0-utils
  xvfb x11-utils xdotool imagemagick poppler-utils fonts-dejavu-core fonts-dejavu-extra dpkg-dev file)

log() { printf '== %s\n' "$*" >&2; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

build() {
  log "building in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

isql() { isql-fb -q -ch UTF8 -user "$FB_USER" -password "$FB_PASSWORD" "$@"; }

server_listening() { (exec 3<>"/dev/tcp/$FB_HOST/$FB_PORT") 2>/dev/null; }

server_login_ok() {
  # Opening a missing file fails after the login: only a refused login matters.
  local out
  out=$(echo "select 1 from rdb\$database;" | isql-fb -q -user "$FB_USER" -password "$FB_PASSWORD" \
    "$FB_HOST:/nonexistent/login-probe.fdb" 2>&1 || true)
  ! grep -q 'SQLSTATE = 28000' <<<"$out"
}

set_password() {
  printf "create or alter user %s password '%s';\ncommit;\n" "$FB_USER" "$FB_PASSWORD" |
    isql-fb -q -user "$FB_USER" "$FB_SECURITY" >/dev/null
}

add_alias() { # alias path
  local line="$1 = $2"
  grep -qxF "$line" "$FB_CONF" || printf '%s\n' "$line" >>"$FB_CONF"
}

# Uses the server that answers on $FB_HOST:$FB_PORT, or starts one when none
# answers. A server these scripts did not start is never stopped or restarted:
# when it refuses the account, they stop with the reason.
ensure_server() {
  if server_listening; then
    if ! server_login_ok; then
      cat >&2 <<EOF
A Firebird server answers on $FB_HOST:$FB_PORT but refuses the account $FB_USER
with the password these scripts use. These scripts did not start it and leave it
running. Give $FB_USER the password '$FB_PASSWORD' on that server (ALTER USER in
isql-fb, or gsec), or stop that server yourself, and run this again.
EOF
      exit 1
    fi
    log "Firebird server already listening on $FB_HOST:$FB_PORT"
    return 0
  fi
  set_password
  log "starting Firebird server on $FB_HOST:$FB_PORT (left running for the next runs)"
  setsid /usr/sbin/firebird </dev/null >/dev/null 2>&1 &
  for _ in $(seq 100); do server_listening && break; sleep 0.2; done
  server_listening || { echo "Firebird server did not start" >&2; exit 1; }
}

# create_database ALIAS FILE [SQL files...]: creates FILE through the server
# (WIN1252, dialect 3) and loads the given scripts, unless FILE already exists.
create_database() {
  local alias="$1" file="$2"
  shift 2
  add_alias "$alias" "$file"
  if [[ -e "$file" ]]; then
    log "database $file exists"
    return 0
  fi
  log "creating database $file"
  printf "create database '%s:%s' page_size 8192 default character set WIN1252;\ncommit;\n" \
    "$FB_HOST" "$alias" | isql-fb -q -user "$FB_USER" -password "$FB_PASSWORD"
  for sql in "$@"; do
    isql "$FB_HOST:$alias" -i "$sql"
  done
}

drop_database() { # ALIAS FILE
  local alias="$1" file="$2"
  add_alias "$alias" "$file"
  [[ -e "$file" ]] || return 0
  printf "connect '%s:%s' user '%s' password '%s';\ndrop database;\n" \
    "$FB_HOST" "$alias" "$FB_USER" "$FB_PASSWORD" | isql-fb -q >/dev/null 2>&1 || rm -f "$file"
}

# The suite configuration beside the executable: fixed columns, key in 1-48,
# value from 50.
write_config() { # folder
  local ini="$1/VELTRAMO.INI"
  {
    printf '%-48s %s\r\n' 'IP DO SERVIDOR CENTRAL.........................:' "$FB_HOST"
    printf '%-48s %s\r\n' 'COR DE FUNDO DAS TELAS.........................:' '12615680'
    printf '%-48s %s\r\n' 'UNIDADE USADA NO CALCULO DO PESO MEDIO.........:' 'MG'
  } >"$ini"
  log "wrote $ini"
}

# The program keeps the balance settings the user saves in the user's
# configuration folder, read before a PesoMed.ini beside the executable. The
# demonstrations keep theirs in the build folder, apart from the user's own.
export XDG_CONFIG_HOME="$BUILD_DIR/config"
SAVED_INI="$XDG_CONFIG_HOME/pesomed/PesoMed.ini"

# A simulated balance on a pseudo-terminal, reached through a fixed link, and
# PesoMed.ini beside the executable pointing at it. Sets SIM_PID.
# start_simulated_balance FOLDER [simulator options...]
start_simulated_balance() {
  local folder="$1" link="$BUILD_DIR/balanca-simulada"
  shift
  "$BUILD_DIR/tools/balanca_simulada" --link "$link" "$@" </dev/null >"$BUILD_DIR/balanca-simulada.log" 2>&1 &
  SIM_PID=$!
  for _ in $(seq 50); do [[ -s "$BUILD_DIR/balanca-simulada.log" ]] && break; sleep 0.1; done
  [[ -L "$link" ]] || { echo "the simulated balance did not start" >&2; exit 1; }
  printf '[Balanca]\nPorta=%s\nProtocolo=MT-SICS\nEsperaMs=5000\n' "$link" >"$folder/PesoMed.ini"
  # Settings saved in an earlier demonstration would be read first.
  rm -f "$SAVED_INI"
  log "simulated balance on $link (log: $BUILD_DIR/balanca-simulada.log), wrote $folder/PesoMed.ini"
}

# PesoMed.ini left by a simulated balance that no longer runs.
forget_simulated_balance() { # folder
  local ini
  for ini in "$1/PesoMed.ini" "$SAVED_INI"; do
    [[ -f "$ini" ]] && grep -qF "$BUILD_DIR/balanca-simulada" "$ini" && rm -f "$ini"
  done
  return 0
}
