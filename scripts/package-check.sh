#!/usr/bin/env bash
# Builds the Debian package, installs it on a clean Debian 12 made with
# debootstrap in build-pkgcheck/rootfs, and starts the program there under
# Xvfb as a normal user: the main window must appear, and the balance settings
# typed in the "Balança" window must be saved. The desktop entry's icon must be
# installed. Saves build-pkgcheck/PesoMed.png and build-pkgcheck/Balanca.png.
#   bash scripts/package-check.sh
source "$(dirname "$0")/common.sh"

CHECK_DIR="$ROOT/build-pkgcheck"
ROOTFS="$CHECK_DIR/rootfs"
PACKAGES+=(debootstrap)
install_packages
build
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
DEB=$(ls -t "$BUILD_DIR"/pesomed_*.deb | head -n 1)
log "package $DEB"
dpkg-deb --info "$DEB" | sed -n '/Depends/p'

mkdir -p "$CHECK_DIR"
if [[ ! -x "$ROOTFS/usr/bin/apt-get" ]]; then
  log "debootstrap of a clean Debian 12 in $ROOTFS"
  rm -rf "$ROOTFS"
  debootstrap --variant=minbase bookworm "$ROOTFS" http://deb.debian.org/debian >/dev/null
fi
cleanup() { umount "$ROOTFS/proc" 2>/dev/null || true; umount "$ROOTFS/dev" 2>/dev/null || true; }
trap cleanup EXIT
mount --bind /proc "$ROOTFS/proc"
mount --bind /dev "$ROOTFS/dev"
cp "$DEB" "$ROOTFS/tmp/pesomed.deb"
cp /etc/resolv.conf "$ROOTFS/etc/resolv.conf" 2>/dev/null || true

# PKGCHECK_DISPLAY: the display number inside, free on this machine too.
chroot "$ROOTFS" /usr/bin/env D="${PKGCHECK_DISPLAY:-:97}" /bin/bash -euo pipefail <<'INSIDE'
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# The package brings its own dependencies; Xvfb and the window tools only look at it.
apt-get install -y -qq /tmp/pesomed.deb xvfb x11-utils xdotool imagemagick >/dev/null
dpkg -s pesomed | sed -n '/^Status/p;/^Version/p'
test -x /opt/pesomed/PesoMed
test -f /opt/pesomed/RPT/rptPesoMed.rav || echo "no report project in the package"
# The desktop entry names the icon the package installs.
grep -qx 'Icon=pesomed' /usr/share/applications/pesomed.desktop
for n in 16 24 32 48 64 128 256; do test -f "/usr/share/icons/hicolor/${n}x$n/apps/pesomed.png"; done
test -f /usr/share/icons/hicolor/scalable/apps/pesomed.svg
echo "icon installed"
printf '%-48s %s\r\n' 'IP DO SERVIDOR CENTRAL.........................:' '127.0.0.1' >/opt/pesomed/VELTRAMO.INI
# A pharmacist's account, who cannot write into /opt/pesomed.
id farmaceutico >/dev/null 2>&1 || useradd -m farmaceutico
rm -rf /home/farmaceutico/.config
# Open to the pharmacist's account (-ac): a display of this check only.
rm -f "/tmp/.X${D#:}-lock" "/tmp/.X11-unix/X${D#:}"
Xvfb "$D" -ac -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
prog=
trap 'kill -9 $prog $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do DISPLAY="$D" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
setpriv --reuid=farmaceutico --regid=farmaceutico --init-groups \
  env -i HOME=/home/farmaceutico PATH=/usr/bin:/bin DISPLAY="$D" /opt/pesomed/PesoMed >/tmp/pesomed.log 2>&1 &
prog=$!
found=0
for _ in $(seq 100); do
  if DISPLAY="$D" xwininfo -root -tree | grep -q 'Peso Médio - Análise dos Pesos das Cápsulas'; then found=1; break; fi
  sleep 0.1
done
sleep 1
DISPLAY="$D" import -window root /tmp/PesoMed.png
saved=0
if [[ $found -eq 1 ]]; then
  # No server here: the message that says so is answered first.
  if DISPLAY="$D" xdotool search --name '^Erro$' >/dev/null 2>&1; then DISPLAY="$D" xdotool key Return; sleep 1; fi
  # The menu item "Balança" (the window fills the screen), a port typed, "Gravar".
  DISPLAY="$D" xdotool mousemove 404 8 click 1
  for _ in $(seq 50); do DISPLAY="$D" xdotool search --name '^Balan' >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 1
  # (No UTF-8 locale here: the name is matched by its first letters.)
  win=$(DISPLAY="$D" xdotool search --name '^Balan' | head -n 1)
  DISPLAY="$D" xdotool mousemove --window "$win" 330 49 click 1
  DISPLAY="$D" xdotool key ctrl+a type --delay 20 /dev/ttyUSB0
  DISPLAY="$D" xdotool mousemove --window "$win" 444 357 click 1
  ini=/home/farmaceutico/.config/pesomed/PesoMed.ini
  for _ in $(seq 30); do [[ -f $ini ]] && break; sleep 0.1; done
  sleep 0.5
  DISPLAY="$D" import -window root /tmp/Balanca.png
  if grep -qx 'Porta=/dev/ttyUSB0' "$ini" 2>/dev/null && [[ $(stat -c %U "$ini") == farmaceutico ]]; then saved=1; fi
fi
kill -9 "$prog" "$xvfb" 2>/dev/null || true
if [[ $found -ne 1 ]]; then cat /tmp/pesomed.log; echo "the main window did not appear" >&2; exit 1; fi
echo "main window shown"
if [[ $saved -ne 1 ]]; then cat /tmp/pesomed.log; echo "the balance settings were not saved by a normal user" >&2; exit 1; fi
test ! -e /opt/pesomed/PesoMed.ini
echo "balance settings saved by a normal user in $ini"
INSIDE
cp "$ROOTFS/tmp/PesoMed.png" "$CHECK_DIR/PesoMed.png"
cp "$ROOTFS/tmp/Balanca.png" "$CHECK_DIR/Balanca.png"
log "pictures: $CHECK_DIR/PesoMed.png $CHECK_DIR/Balanca.png"
