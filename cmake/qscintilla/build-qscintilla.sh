#!/usr/bin/env bash
# Builds the editing component's library from Debian's own QScintilla source package with our patches:
#   build-qscintilla.sh DEST PATCH...                          for this system, with qmake6 (static)
#   build-qscintilla.sh --windows QT_PREFIX DEST PATCH...      for Windows, against a Qt cross-built into QT_PREFIX
#   build-qscintilla.sh --static-qt QT_PREFIX DEST PATCH...    for this system, against the static Qt in QT_PREFIX
# The source package comes through the archive the system's apt already uses, read through a private
# source list, so the system's apt configuration and package lists are left as they are. The result
# (DEST/lib, DEST/include) is reused by every build folder; a failed fetch or build leaves no DEST.
set -euo pipefail

qt_prefix=""
static_qt=0
if [ "${1:-}" = "--windows" ] || [ "${1:-}" = "--static-qt" ]; then
  [ "$1" = "--static-qt" ] && static_qt=1
  qt_prefix="$2"
  shift 2
fi
dest="$1"
shift
patch_files=()
for p in "$@"; do patch_files+=("$(cd "$(dirname "$p")" && pwd)/$(basename "$p")"); done
version="2.13.3"
here=$(cd "$(dirname "$0")" && pwd)
if [ "$static_qt" = 1 ]; then
  library="$dest/lib/libqscintilla2_qt6.a"
  tools=(apt-get dpkg-source cmake ninja patch)
elif [ -n "$qt_prefix" ]; then
  library="$dest/bin/qscintilla2_qt6.dll"
  tools=(apt-get dpkg-source cmake ninja patch)
else
  library="$dest/lib/libqscintilla2_qt6.a"
  tools=(apt-get dpkg-source qmake6 make patch)
fi

[ -f "$library" ] && [ -f "$dest/include/Qsci/qsciscintilla.h" ] && exit 0

mkdir -p "$(dirname "$dest")"
exec 9>"$dest.lock"
flock 9
# Another build folder may have finished it while this one waited.
[ -f "$library" ] && exit 0

for tool in "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "missing tool: $tool" >&2
    exit 1
  fi
done

work="$dest.work"
rm -rf "$work"
# A quick failure: without the archive the system's library is used instead.
"$here/../fetch-debian-source.sh" qscintilla2 "$version" "$work" 0 20
cd "$work"
for p in "${patch_files[@]}"; do
  patch -d source -p1 --forward < "$p"
done

stage="$dest.stage"
rm -rf "$stage"
if [ -n "$qt_prefix" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  if [ "$static_qt" = 1 ]; then
    target=(-DQSCI_STATIC=ON -DCMAKE_PREFIX_PATH="$qt_prefix")
  else
    target=(-DCMAKE_TOOLCHAIN_FILE="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake")
  fi
  cmake -S "$here/project" -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "${target[@]}" \
        -DQSCI_SOURCE_DIR="$work/source" -DCMAKE_INSTALL_PREFIX="$stage" >/dev/null
  cmake --build build --parallel "$(nproc)" >build.log 2>&1 || { grep -A20 FAILED build.log | head -n 60 >&2; exit 1; }
  cmake --install build >/dev/null
  rm -rf "$dest"
  mv "$stage" "$dest"
  rm -rf "$work"
  exit 0
fi

cd source/src
qmake_args=()
command -v ccache >/dev/null && qmake_args+=("QMAKE_CXX=ccache g++")
# Linked into the programs, one section a function: the linker then keeps only what they use, and the
# lexers the editor never asks for stay out of the catalogue and out of the program.
qmake6 qscintilla.pro "${qmake_args[@]}" CONFIG+=staticlib DEFINES+=SCI_CONTAINER_LEXING_ONLY \
       "QMAKE_CXXFLAGS+=-ffunction-sections -fdata-sections" >/dev/null
make -j"$(nproc)" -s >/dev/null

mkdir -p "$stage/lib" "$stage/include/Qsci"
cp libqscintilla2_qt6.a "$stage/lib/"
cp Qsci/*.h "$stage/include/Qsci/"
rm -rf "$dest"
mv "$stage" "$dest"
rm -rf "$work"
