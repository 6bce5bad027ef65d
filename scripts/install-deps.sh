#!/usr/bin/env bash
# Installs the Debian 12 packages the editor needs to build, run and test, skipping those already present.
set -euo pipefail

packages=(
  g++ make cmake ccache
  qt6-base-dev libgl-dev libqscintilla2-qt6-dev
  qt6-base-dev-tools dpkg-dev patch   # build QScintilla from Debian's source package (qmake6, dpkg-source)
  libbenchmark-dev libx11-dev
  # Qt built from Debian's source package and linked in (cmake/qt-linux/build-qt-linux.sh)
  ninja-build libfontconfig-dev libfreetype-dev libpng-dev zlib1g-dev libdbus-1-dev libatspi2.0-dev
  libcups2-dev libsm-dev libice-dev libxkbcommon-dev libxkbcommon-x11-dev libx11-xcb-dev libxcb1-dev
  libxcb-xkb-dev libxcb-icccm4-dev libxcb-image0-dev libxcb-keysyms1-dev libxcb-render-util0-dev
  libxcb-shm0-dev libxcb-randr0-dev libxcb-xinput-dev libxcb-cursor-dev libxcb-util-dev
  libxcb-sync-dev libxcb-xfixes0-dev libxcb-shape0-dev libxcb-render0-dev
  libxtst-dev libxdamage-dev   # the side-by-side benchmark driver (bench/screen_latency)
  tango-icon-theme fonts-dejavu-core
  poppler-utils           # pdftotext reads printed output back in the print tests
  xvfb xauth              # lets the editor start on a machine without a display
  libqt6svg6              # draws the SVG application icon
  librsvg2-bin            # renders the icon's bitmap sizes at build time
  desktop-file-utils appstream libxml2-utils shared-mime-info   # validate the installed desktop files
  groff-base              # checks that the manual pages format without warnings
  dpkg-dev                # dpkg-shlibdeps computes the Debian package's dependencies
  xdg-utils libfile-mimeinfo-perl   # xdg-mime, and the MIME lookup it uses outside a desktop session
)
# The Windows program: Qt and QScintilla cross-built from Debian's sources with mingw-w64, the
# installer made with NSIS, the tests and the installed program run under Wine
# (scripts/build-windows.sh, package-windows.sh, run-windows-tests.sh).
if [ "${TESSARY_WINDOWS_TESTS:-0}" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64 wine64 wine ninja-build ccache icoutils nsis
             openbox xdotool wmctrl imagemagick procps)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
