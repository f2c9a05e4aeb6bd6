#!/usr/bin/env bash
# Builds the Debian package, installs it on a clean Debian 12 made with
# debootstrap in build-pkgcheck/rootfs, and starts the program there under
# Xvfb: the main window must appear. Saves build-pkgcheck/PesoMed.png.
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

chroot "$ROOTFS" /bin/bash -euo pipefail <<'INSIDE'
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# The package brings its own dependencies; Xvfb and the window tools only look at it.
apt-get install -y -qq /tmp/pesomed.deb xvfb x11-utils imagemagick >/dev/null
dpkg -s pesomed | sed -n '/^Status/p;/^Version/p'
test -x /opt/pesomed/PesoMed
test -f /opt/pesomed/RPT/rptPesoMed.rav || echo "no report project in the package"
printf '%-48s %s\r\n' 'IP DO SERVIDOR CENTRAL.........................:' '127.0.0.1' >/opt/pesomed/VELTRAMO.INI
Xvfb :97 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do DISPLAY=:97 xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=:97 /opt/pesomed/PesoMed >/tmp/pesomed.log 2>&1 &
prog=$!
found=0
for _ in $(seq 100); do
  if DISPLAY=:97 xwininfo -root -tree | grep -q 'Peso Médio - Análise dos Pesos das Cápsulas'; then found=1; break; fi
  sleep 0.1
done
sleep 1
DISPLAY=:97 import -window root /tmp/PesoMed.png
kill -9 "$prog" "$xvfb" 2>/dev/null || true
if [[ $found -ne 1 ]]; then cat /tmp/pesomed.log; echo "the main window did not appear" >&2; exit 1; fi
echo "main window shown"
INSIDE
cp "$ROOTFS/tmp/PesoMed.png" "$CHECK_DIR/PesoMed.png"
log "picture: $CHECK_DIR/PesoMed.png"
