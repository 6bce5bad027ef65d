#!/usr/bin/env bash
# Cross-builds the parts of Qt the Windows editor needs from Debian's own qt6-base source package:
#   build-qt-windows.sh            prints the install prefix, building it first when it is not cached
# Core, Gui, Widgets, PrintSupport, Test and the windows/offscreen platform plugins (plus the native
# widget style), 64-bit, mingw-w64 with posix threads; Debian's own Qt supplies the host tools (moc,
# rcc, uic). The result is kept under $XDG_CACHE_HOME/tessary-editor/, in a folder named after the
# source version, the configure flags and source edits, the compiler, the host Qt and the toolchain
# file, so that every clone on the machine shares it and any change to these builds a new one. A
# failed build leaves no prefix behind. TESSARY_QT_JOBS sets the number of parallel compiles.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
version="6.4.2"
cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/tessary-editor"
toolchain="$here/toolchain.cmake"

flags=(
  -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF
  # Modules and features the editor does not use.
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DINPUT_opengl=no -DFEATURE_icu=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_testlib_selfcover=OFF
  -DFEATURE_gif=OFF -DFEATURE_ico=ON -DFEATURE_jpeg=OFF
  # Debian's source package leaves out the tablet library's header (its licence forbids changes).
  -DFEATURE_tabletevent=OFF
  # Third-party libraries from the source package itself: none are installed for mingw.
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
)

compiler_id=$(x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -n1 || true)
[ -n "$compiler_id" ] || { echo "missing tool: x86_64-w64-mingw32-g++-posix (g++-mingw-w64-x86-64)" >&2; exit 1; }
host_id=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
# Two platform plugins no one loads: the Direct2D one compiles the whole windows plugin again.
source_edits=(-e '/add_subdirectory(direct2d)/d' -e '/add_subdirectory(minimal)$/d')
key=$(printf '%s\n' "$version" "${flags[@]}" "${source_edits[@]}" "$compiler_id" "$host_id" \
        "$(cat "$toolchain")" | sha256sum | cut -c1-12)
dest="$cache_root/qt-$version-mingw64-$key"
done_mark="$dest/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake"

if [ -f "$done_mark" ]; then
  echo "$dest"
  exit 0
fi

mkdir -p "$cache_root"
exec 9>"$cache_root/qt-build.lock"
flock 9
# Another clone may have finished it while this one waited.
if [ -f "$done_mark" ]; then
  echo "$dest"
  exit 0
fi

for tool in apt-get dpkg-source cmake ninja x86_64-w64-mingw32-windres; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -x /usr/lib/qt6/libexec/moc ] || { echo "missing host tools: qt6-base-dev-tools" >&2; exit 1; }

# One fixed work folder, so that the compiler cache finds earlier objects whatever the key.
work="$cache_root/qt-$version-mingw64.work"
mkdir -p "$work"
cd "$work"

if [ ! -f source/.complete ]; then
  rm -rf source lists cache src.list ./*.dsc ./*.tar.*
  "$here/../fetch-debian-source.sh" qt6-base "$version" "$work"
  sed -i "${source_edits[@]}" source/src/plugins/platforms/CMakeLists.txt
  touch source/.complete
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$work"
  # Qt compiles with precompiled headers; ccache reuses such objects only with these.
  export CCACHE_SLOPPINESS="pch_defines,time_macros,include_file_mtime,include_file_ctime"
fi

stage="$dest.stage"
rm -rf build "$stage"
# Qt records the toolchain file it was built with: keep a copy beside the prefix, not the clone's.
cp "$toolchain" "$dest.toolchain.cmake"
cmake -S source -B build "${flags[@]}" "${launcher[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$dest.toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$stage" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >build-configure.log 2>&1 \
  || { tail -n 40 build-configure.log >&2; exit 1; }
cmake --build build --parallel "${TESSARY_QT_JOBS:-$(nproc)}" >build.log 2>&1 \
  || { grep -B2 -A20 'FAILED' build.log | head -n 80 >&2; exit 1; }
cmake --install build >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
# The licence texts go beside the libraries for the packages.
mkdir -p "$stage/licenses"
cp source/LICENSES/*.txt "$stage/licenses/" 2>/dev/null || true
cp source/debian/copyright "$stage/licenses/Qt-debian-copyright.txt"
rm -rf "$dest"
mv "$stage" "$dest"
rm -rf build
echo "$dest"
