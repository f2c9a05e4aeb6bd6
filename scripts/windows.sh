#!/usr/bin/env bash
# The Windows program, made on Debian 12 as root, and tested under Wine:
#   1. MinGW-w64 (posix threads), Wine, NSIS and the build tools from Debian;
#   2. Qt 6.4.2 for Windows (qtbase from Debian's source package, Qt Serial
#      Port from the vendor folder), built once into a cache folder outside
#      the repository and reused by later runs;
#   3. PesoMed.exe and the tests that need no database, cross-built with the
#      project's own CMake files (cmake/mingw-w64.cmake);
#   4. build-windows/PesoMed-<version>-win64.zip and the NSIS installer;
#   5. under Wine (a 64-bit prefix of its own, Xvfb): the tests, the installer,
#      the program without a database client, and a picture of its main window.
# Safe to run again. Environment:
#   PESOMED_WIN_CACHE   cache folder of the Windows Qt (default /var/cache/pesomed)
#   PESOMED_VENDOR_DIR  folder of qtserialport-everywhere-src-6.4.2.tar.xz
#                       (default ../shared/vendor beside the repository)
#   PESOMED_WIN_DISPLAY X display for Wine (default :37)
#   JOBS                parallel compile jobs (default 2)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# install_packages and log; the package list below is this script's own.
source "$ROOT/scripts/common.sh"
OUT="$ROOT/build-windows"
QT_VERSION=6.4.2
CACHE="${PESOMED_WIN_CACHE:-/var/cache/pesomed}"
QT_WIN="$CACHE/qt-$QT_VERSION-mingw64"
QT_STAMP="$QT_WIN/pesomed-qt-complete"
QT_SRC="$CACHE/src"
QT_BUILD="$CACHE/build"
VENDOR_DIR="${PESOMED_VENDOR_DIR:-$ROOT/../shared/vendor}"
SERIALPORT_TAR="qtserialport-everywhere-src-$QT_VERSION.tar.xz"
DISPLAY_WIN="${PESOMED_WIN_DISPLAY:-:37}"
JOBS="${JOBS:-2}"
MINGW=x86_64-w64-mingw32

PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev firebird-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 nsis zip unzip xz-utils dpkg-dev xvfb xdotool x11-utils imagemagick
  fonts-dejavu-core)

die() { printf 'windows.sh: %s\n' "$*" >&2; exit 1; }
# Heavy steps yield to everything else on the machine.
heavy() { nice -n 19 "$@"; }

START=$(date +%s)

# ------------------------------------------------------------------ packages

# A deb-src entry for the suite of the existing deb entries, so that
# "apt-get source qt6-base" finds Debian's Qt source.
ensure_deb_src() {
  if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  local suite
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  log "adding a deb-src entry for $suite"
  cat >/etc/apt/sources.list.d/pesomed-deb-src.sources <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt-get update -qq
}

# ------------------------------------------------------------------------ Qt

qt_ready() { [[ -f "$QT_STAMP" ]] && [[ -f "$QT_WIN/lib/cmake/Qt6SerialPort/Qt6SerialPortConfig.cmake" ]]; }

fetch_qtbase() {
  [[ -f "$QT_SRC/qtbase/configure" ]] && return
  ensure_deb_src
  log "fetching Debian's qt6-base source"
  mkdir -p "$QT_SRC"
  (cd "$QT_SRC" && apt-get source --download-only "qt6-base=$QT_VERSION*" >/dev/null 2>&1 \
    || apt-get source --download-only qt6-base >/dev/null)
  local dsc
  dsc=$(ls "$QT_SRC"/qt6-base_"$QT_VERSION"*.dsc 2>/dev/null | head -n1)
  [[ -n "$dsc" ]] || die "no qt6-base $QT_VERSION source package in $QT_SRC"
  (cd "$QT_SRC" && rm -rf qtbase && dpkg-source -x "$dsc" qtbase >/dev/null)
}

fetch_qtserialport() {
  [[ -f "$QT_SRC/qtserialport/CMakeLists.txt" ]] && return
  [[ -f "$VENDOR_DIR/$SERIALPORT_TAR" ]] || die "missing $VENDOR_DIR/$SERIALPORT_TAR (set PESOMED_VENDOR_DIR)"
  mkdir -p "$QT_SRC/qtserialport"
  tar -xJf "$VENDOR_DIR/$SERIALPORT_TAR" -C "$QT_SRC/qtserialport" --strip-components=1
}

# Only what the program and its tests use: Core, Gui, Widgets, PrintSupport,
# Network and Test, with the bundled third-party libraries. Debian's repacked
# source lacks the tablet header wintab.h.
QTBASE_OPTIONS=(-prefix "$QT_WIN" -xplatform win32-g++ -qt-host-path /usr -release
  -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-tabletevent
  -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz)

build_qt() {
  local t0 t1
  # The first start of the build, kept so that an interrupted build is timed whole.
  mkdir -p "$QT_BUILD"
  [[ -f "$QT_BUILD/qtbase-build.start" ]] || date +%s >"$QT_BUILD/qtbase-build.start"
  t0=$(cat "$QT_BUILD/qtbase-build.start")
  fetch_qtbase
  fetch_qtserialport
  # Qt keeps the path of the toolchain file it was built with.
  mkdir -p "$CACHE" "$QT_BUILD/qtbase" "$QT_BUILD/qtserialport"
  cmp -s "$ROOT/cmake/mingw-w64.cmake" "$CACHE/mingw-w64.cmake" || cp "$ROOT/cmake/mingw-w64.cmake" "$CACHE/mingw-w64.cmake"

  if [[ ! -f "$QT_BUILD/qtbase/build.ninja" ]]; then
    log "configuring qtbase (log: $QT_BUILD/qtbase-configure.log)"
    (cd "$QT_BUILD/qtbase" && heavy "$QT_SRC/qtbase/configure" "${QTBASE_OPTIONS[@]}" -- -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$CACHE/mingw-w64.cmake" \
      -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) >"$QT_BUILD/qtbase-configure.log" 2>&1 \
      || die "qtbase configure failed, see $QT_BUILD/qtbase-configure.log"
  fi
  log "building qtbase for Windows: about 70 minutes on two cores (log: $QT_BUILD/qtbase-build.log)"
  heavy cmake --build "$QT_BUILD/qtbase" -j"$JOBS" >"$QT_BUILD/qtbase-build.log" 2>&1 \
    || die "qtbase build failed, see $QT_BUILD/qtbase-build.log"
  cmake --install "$QT_BUILD/qtbase" >"$QT_BUILD/qtbase-install.log" 2>&1 \
    || die "qtbase install failed, see $QT_BUILD/qtbase-install.log"

  log "building Qt Serial Port for Windows (log: $QT_BUILD/qtserialport-build.log)"
  {
    heavy cmake -S "$QT_SRC/qtserialport" -B "$QT_BUILD/qtserialport" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$QT_WIN/lib/cmake/Qt6/qt.toolchain.cmake" \
      -DCMAKE_INSTALL_PREFIX="$QT_WIN" -DCMAKE_BUILD_TYPE=Release \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF &&
      heavy cmake --build "$QT_BUILD/qtserialport" -j"$JOBS" &&
      cmake --install "$QT_BUILD/qtserialport"
  } >"$QT_BUILD/qtserialport-build.log" 2>&1 || die "Qt Serial Port build failed, see $QT_BUILD/qtserialport-build.log"

  t1=$(date +%s)
  printf 'Qt %s for Windows built in %d min (from %s to %s)\n' "$QT_VERSION" $(((t1 - t0 + 59) / 60)) \
    "$(date -d "@$t0" '+%F %T')" "$(date -d "@$t1" '+%F %T')" >"$QT_STAMP"
  cat "$QT_STAMP" >&2
}

# ------------------------------------------------------------------- program

# Program and tests that need no database (the reader's tests need a
# pseudo-terminal balance, which Windows has not); tst_windows checks the
# Windows places of the installation.
WIN_TESTS=(tst_core tst_config tst_widgets tst_balanca tst_calculos tst_calculoslote tst_paginas tst_windows)

build_program() {
  # The Firebird client headers in a folder of their own: Linux's /usr/include
  # must never enter the MinGW include path.
  local fbinc="$OUT/firebird-include"
  mkdir -p "$fbinc"
  rm -rf "$fbinc/firebird"
  cp -r /usr/include/firebird "$fbinc/"
  cp /usr/include/ibase.h /usr/include/iberror.h "$fbinc/"

  log "cross-building PesoMed.exe and the tests (log: $OUT/build.log)"
  export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}"
  {
    cmake -S "$ROOT" -B "$OUT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$QT_WIN/lib/cmake/Qt6/qt.toolchain.cmake" \
      -DQT_CHAINLOAD_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
      -DFIREBIRD_INCLUDE_DIR="$fbinc" &&
      heavy cmake --build "$OUT/build" -j"$JOBS" --target PesoMed "${WIN_TESTS[@]}"
  } >"$OUT/build.log" 2>&1 || { tail -n 40 "$OUT/build.log" >&2; die "cross-build failed, see $OUT/build.log"; }
  if grep -n 'warning:' "$OUT/build.log" >&2; then
    die "the Windows build has warnings, see $OUT/build.log"
  fi
}

VERSION=""
project_version() {
  VERSION=$(sed -n 's/^project(PesoMedio VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
  [[ -n "$VERSION" ]] || die "no version in CMakeLists.txt"
}

# The DLLs an executable needs that are neither Windows' own nor already in dir,
# found in the Windows Qt and the MinGW runtime, copied beside it, recursively.
MINGW_DLL_DIRS=()
copy_dlls() {
  local file="$1" dir="$2" dll found d
  for dll in $("$MINGW-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [[ -e "$dir/$dll" ]] && continue
    found=""
    for d in "$QT_WIN/bin" "${MINGW_DLL_DIRS[@]}"; do
      if [[ -f "$d/$dll" ]]; then found="$d/$dll"; break; fi
    done
    [[ -n "$found" ]] || continue # a Windows system library
    cp "$found" "$dir/$dll"
    copy_dlls "$dir/$dll" "$dir"
  done
}

init_mingw_dirs() {
  local gccdir
  gccdir=$(dirname "$("$MINGW-g++-posix" -print-libgcc-file-name)")
  MINGW_DLL_DIRS=("$gccdir" "/usr/$MINGW/lib")
}

# Program, DLLs and plugins in dir; the plugins' own DLLs beside the program.
deploy_qt() {
  local exe="$1" dir="$2" p
  copy_dlls "$exe" "$dir"
  for p in platforms/qwindows.dll platforms/qoffscreen.dll printsupport/windowsprintersupport.dll \
    styles/qwindowsvistastyle.dll imageformats/qico.dll; do
    [[ -f "$QT_WIN/plugins/$p" ]] || continue
    mkdir -p "$dir/$(dirname "$p")"
    cp "$QT_WIN/plugins/$p" "$dir/$p"
    copy_dlls "$dir/$p" "$dir"
  done
  # Plugins are found beside the executable.
  printf '[Paths]\nPlugins = .\n' >"$dir/qt.conf"
}

ZIP=""
INSTALLER=""
package() {
  local stage="$OUT/PesoMed" icon
  log "packing the zip and the installer"
  rm -rf "$stage"
  mkdir -p "$stage/RPT"
  cp "$OUT/build/app/PesoMed.exe" "$stage/"
  "$MINGW-strip" "$stage/PesoMed.exe"
  deploy_qt "$stage/PesoMed.exe" "$stage"
  cp "$ROOT/RPT/rptPesoMed.rav" "$stage/RPT/"
  cp "$ROOT/README.md" "$stage/README.md"

  ZIP="$OUT/PesoMed-$VERSION-win64.zip"
  rm -f "$ZIP"
  (cd "$OUT" && zip -qr -X "$ZIP" PesoMed)

  icon="$ROOT/packaging/icons/pesomed.ico"
  # What the uninstaller removes: the files of the program folder, then its
  # subfolders, deepest first.
  local unfiles="$OUT/uninstall-files.nsh"
  (cd "$stage" && find . -path ./RPT -prune -o -type f -printf 'Delete "$INSTDIR\\%P"\n' &&
    find . -mindepth 1 -path ./RPT -prune -o -type d -printf '%d RMDir "$INSTDIR\\%P"\n' | sort -rn | cut -d' ' -f2-) |
    sed 's|/|\\|g; s|\\\\|\\|g' >"$unfiles"
  INSTALLER="$OUT/PesoMed-$VERSION-win64-setup.exe"
  makensis -V2 -DVERSION="$VERSION" -DSTAGE="$stage" -DOUTFILE="$INSTALLER" -DUNFILES="$unfiles" \
    -DICON="$icon" "$ROOT/packaging/windows/PesoMed.nsi" >"$OUT/nsis.log" 2>&1 \
    || { cat "$OUT/nsis.log" >&2; die "makensis failed"; }
}

# ---------------------------------------------------------------------- Wine

export WINEPREFIX="$OUT/wine"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
XVFB_PID=""

cleanup() {
  [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null || true
  if [[ -d "$WINEPREFIX" ]]; then wineserver -k 2>/dev/null || true; fi
}
trap cleanup EXIT

start_display() {
  export DISPLAY="$DISPLAY_WIN"
  if ! xdpyinfo >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
    xdpyinfo >/dev/null 2>&1 || die "Xvfb did not start on $DISPLAY"
  fi
}

wine_prefix() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    log "making the 64-bit Wine prefix $WINEPREFIX"
    wineboot --init >"$OUT/wineboot.log" 2>&1 || die "wineboot failed, see $OUT/wineboot.log"
  fi
  wineserver -w
}

RESULTS=""
run_tests() {
  local dir="$OUT/tests" t exe failed=0 status
  log "running the tests under Wine"
  rm -rf "$dir"
  mkdir -p "$dir"
  for t in "${WIN_TESTS[@]}"; do
    exe=$(find "$OUT/build/tests" -name "$t.exe" | head -n1)
    cp "$exe" "$dir/"
    copy_dlls "$dir/$t.exe" "$dir"
  done
  deploy_qt "$dir/${WIN_TESTS[0]}.exe" "$dir"
  cp -r "$ROOT/RPT" "$dir/"
  cp -r "$OUT/build/tests/windows/cliente" "$dir/"
  RESULTS="$OUT/wine-tests.txt"
  : >"$RESULTS"
  for t in "${WIN_TESTS[@]}"; do
    status=0
    # The tests are windowed programs, without a console: their report goes to a file.
    (cd "$dir" && QT_QPA_PLATFORM=offscreen timeout 600 wine "$t.exe" -o "$t.log,txt" >"$dir/$t.wine.log" 2>&1) ||
      status=$?
    if ((status == 0)); then
      printf 'PASS %s (%s)\n' "$t" "$(grep -m1 '^Totals:' "$dir/$t.log" || echo '?')" >>"$RESULTS"
    else
      printf 'FAIL %s, exit %d, see %s\n' "$t" "$status" "$dir/$t.log" >>"$RESULTS"
      failed=1
    fi
  done
  cat "$RESULTS" >&2
  return $failed
}

# The installer, silently, into its default folder C:\VELTRAMO\PesoMed.
install_under_wine() {
  local target="$WINEPREFIX/drive_c/VELTRAMO"
  log "installing under Wine"
  rm -rf "$target/PesoMed"
  wine "$INSTALLER" /S >"$OUT/install.log" 2>&1 || die "the installer failed under Wine"
  wineserver -w
  [[ -f "$target/PesoMed/PesoMed.exe" ]] || die "the installer put no PesoMed.exe in C:\\VELTRAMO\\PesoMed"
  [[ -f "$target/RPT/rptPesoMed.rav" ]] || die "the installer put no report project in C:\\VELTRAMO\\RPT"
  [[ -f "$target/PesoMed/Desinstalar.exe" ]] || die "the installer wrote no uninstaller"
}

# The uninstaller removes what was installed and leaves the workstation's settings.
uninstall_under_wine() {
  local target="$WINEPREFIX/drive_c/VELTRAMO"
  log "uninstalling under Wine"
  echo '[Balanca]' >"$target/PesoMed/PesoMed.ini"
  wine 'C:\VELTRAMO\PesoMed\Desinstalar.exe' /S >>"$OUT/install.log" 2>&1 || die "the uninstaller failed under Wine"
  for _ in $(seq 60); do [[ -f "$target/PesoMed/PesoMed.exe" ]] || break; sleep 1; done
  wineserver -w
  [[ ! -f "$target/PesoMed/PesoMed.exe" && ! -f "$target/RPT/rptPesoMed.rav" ]] || die "the uninstaller left the program"
  [[ -f "$target/PesoMed/PesoMed.ini" && -f "$target/PesoMed/VELTRAMO.INI" ]] || die "the uninstaller removed the settings"
}

# A visible window whose title matches the pattern, or nothing.
window_of() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true; }

SHOT=""
MESSAGE_SHOT=""
# The program's message boxes: errors are titled "Erro", the others by the program.
MESSAGE_TITLE='^(Erro|PesoM)'

check_program() {
  local dir="$WINEPREFIX/drive_c/VELTRAMO/PesoMed" pid msg main
  log "starting the installed PesoMed.exe under Wine with no database client"
  # The suite's configuration of this workstation; no CaminhoGDS.txt and no client library.
  printf '%-48s %s\r\n' "IP DO SERVIDOR CENTRAL.........................:" "127.0.0.1" >"$dir/VELTRAMO.INI"
  rm -f "$WINEPREFIX/drive_c/VELTRAMO/CaminhoGDS.txt"
  (cd "$dir" && exec wine PesoMed.exe >"$OUT/program.log" 2>&1) &
  pid=$!
  # The message box ("Erro") about the client library that could not be loaded.
  msg=""
  for _ in $(seq 180); do
    msg=$(window_of "$MESSAGE_TITLE")
    [[ -n "$msg" ]] && break
    kill -0 "$pid" 2>/dev/null || die "PesoMed.exe ended at start-up, see $OUT/program.log"
    sleep 1
  done
  [[ -n "$msg" ]] || die "PesoMed.exe showed no message about its database client"
  sleep 3
  MESSAGE_SHOT="$OUT/PesoMed-wine-message.png"
  import -window root "$MESSAGE_SHOT"
  xdotool windowactivate --sync "$msg" key Return 2>/dev/null || xdotool key Return
  sleep 5
  kill -0 "$pid" 2>/dev/null || die "PesoMed.exe ended after the message, see $OUT/program.log"
  # The main window ("Peso Médio - ..."), with no message left in front of it.
  main=""
  for _ in $(seq 30); do
    main=$(window_of '^Peso M')
    [[ -n "$main" && -z "$(window_of "$MESSAGE_TITLE")" ]] && break
    xdotool key Return 2>/dev/null || true
    sleep 1
  done
  [[ -n "$main" ]] || die "PesoMed.exe showed no main window"
  SHOT="$OUT/PesoMed-wine.png"
  import -window root "$SHOT"
  kill -0 "$pid" 2>/dev/null || die "PesoMed.exe ended, see $OUT/program.log"
  wine taskkill /IM PesoMed.exe /F >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
}

# ---------------------------------------------------------------------- main

install_packages
if qt_ready; then
  log "reusing the Windows Qt in $QT_WIN ($(cat "$QT_STAMP"))"
else
  build_qt
fi
mkdir -p "$OUT"
project_version
init_mingw_dirs
build_program
package
start_display
wine_prefix
tests_ok=1
run_tests || tests_ok=0
install_under_wine
check_program
uninstall_under_wine

END=$(date +%s)
cat <<EOF

Windows program $VERSION, made in $(((END - START + 59) / 60)) min:
  zip:          $ZIP
  installer:    $INSTALLER
  Wine tests:   $RESULTS
  message:      $MESSAGE_SHOT
  main window:  $SHOT
EOF
((tests_ok)) || die "some tests failed under Wine"
