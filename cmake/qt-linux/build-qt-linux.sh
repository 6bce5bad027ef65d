#!/usr/bin/env bash
# Builds the parts of Qt the Linux editor needs, as static libraries, from Debian's own qt6-base
# source package:
#   build-qt-linux.sh            prints the install prefix, building it first when it is not cached
# Linked into the program, Qt costs only the code the editor reaches: no symbol tables, relocations
# or libraries it never calls (ICU, GLib, OpenGL) are loaded at every start. The xcb platform with
# input methods, accessibility and session management, the offscreen platform for the tests, and
# printing through CUPS are kept. The result is kept under $XDG_CACHE_HOME/tessary-editor/, in a
# folder named after the source version, the configure flags and source edits and the compiler, so
# that every clone on the machine shares it and any change to these builds a new one. A failed build
# leaves no prefix behind. TESSARY_QT_JOBS sets the number of parallel compiles.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
version="6.4.2"
cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/tessary-editor"

flags=(
  -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  # Modules and features the editor does not use.
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DINPUT_opengl=no -DFEATURE_icu=OFF
  -DFEATURE_glib=OFF -DFEATURE_vulkan=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_testlib_selfcover=OFF
  -DFEATURE_egl=OFF
  # What the desktop needs, required so that a missing development package stops the build
  # instead of leaving the feature out. Xlib gives windows their title in WM_NAME too (window
  # managers and tools that read only that) and the editor its display for the lock-key indicators.
  -DFEATURE_xcb=ON -DFEATURE_xlib=ON -DFEATURE_xcb_xlib=ON
  -DFEATURE_xkbcommon_x11=ON -DFEATURE_xcb_sm=ON -DFEATURE_sessionmanager=ON
  -DFEATURE_dbus_linked=ON -DFEATURE_accessibility_atspi_bridge=ON -DFEATURE_fontconfig=ON
  # Debian's source package leaves out the tablet library's header (its licence forbids changes).
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_system_libb2=OFF -DFEATURE_system_freetype=ON -DFEATURE_cups=ON
  -DFEATURE_gif=OFF -DFEATURE_jpeg=OFF
  # Only the plug-ins built in: a plug-in on disk is built for the system's shared Qt, and loading
  # it (from QT_PLUGIN_PATH, say) would bring a second Qt into the process.
  -DFEATURE_library=OFF
  # One section per function and datum: the program's link keeps only what it reaches.
  "-DCMAKE_C_FLAGS=-ffunction-sections -fdata-sections"
  "-DCMAKE_CXX_FLAGS=-ffunction-sections -fdata-sections"
)

compiler_id=$(g++ --version 2>/dev/null | head -n1 || true)
[ -n "$compiler_id" ] || { echo "missing tool: g++" >&2; exit 1; }
source_edits=(-e '/add_subdirectory(direct2d)/d' -e '/add_subdirectory(minimal)$/d')
key=$(printf '%s\n' "$version" "${flags[@]}" "${source_edits[@]}" "$compiler_id" | sha256sum | cut -c1-12)
dest="$cache_root/qt-$version-linux-static-$key"
done_mark="$dest/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake"

if [ -f "$done_mark" ]; then
  echo "$dest"
  exit 0
fi

mkdir -p "$cache_root"
exec 9>"$cache_root/qt-linux-build.lock"
flock 9
# Another clone may have finished it while this one waited.
if [ -f "$done_mark" ]; then
  echo "$dest"
  exit 0
fi

for tool in apt-get dpkg-source cmake ninja; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

# One fixed work folder, so that the compiler cache finds earlier objects whatever the key.
work="$cache_root/qt-$version-linux.work"
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
cmake -S source -B build "${flags[@]}" "${launcher[@]}" -DCMAKE_INSTALL_PREFIX="$stage" \
      >build-configure.log 2>&1 || { tail -n 40 build-configure.log >&2; exit 1; }
cmake --build build --parallel "${TESSARY_QT_JOBS:-$(nproc)}" >build.log 2>&1 \
  || { grep -B2 -A20 'FAILED' build.log | head -n 80 >&2; exit 1; }
cmake --install build >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
mkdir -p "$stage/licenses"
cp source/LICENSES/*.txt "$stage/licenses/" 2>/dev/null || true
cp source/debian/copyright "$stage/licenses/Qt-debian-copyright.txt"
rm -rf "$dest"
mv "$stage" "$dest"
rm -rf build
echo "$dest"
