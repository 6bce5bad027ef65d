#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and makes of them, in build-win/package/:
#   TessaryEditor-VERSION-win64.zip        a portable folder: the programs, the Qt, QScintilla and
#                                          compiler runtime DLLs they load and no others, the
#                                          windows platform plugin and the licence texts
#   TessaryEditor-VERSION-win64-setup.exe  an installer for one user, without administrator rights
#                                          (data/windows/installer.nsi)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh

out=build-win/package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win/CMakeCache.txt)
name="TessaryEditor-$version-win64"
stage="$out/$name"
rm -rf "$out"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/licenses"

mapfile -t dll_dirs < build-win/windows/dll-dirs.txt
qt=$(cat build-win/windows/qt-prefix.txt)
qsci=$(cat build-win/windows/qscintilla-prefix.txt)

# The DLLs a program or library imports, found in our folders; those of Windows itself are not.
declare -A packed=()
pack_imports() {
  local dll dir
  for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    [ -n "${packed[${dll,,}]:-}" ] && continue
    for dir in "${dll_dirs[@]}"; do
      if [ -f "$dir/$dll" ]; then
        packed[${dll,,}]=1
        cp "$dir/$dll" "$stage/"
        pack_imports "$dir/$dll"
        break
      fi
    done
  done
}

cp build-win/src/tessary-editor.exe build-win/src/tessary-check.exe "$stage/"
# The windows platform plugin, and the style that draws widgets as the system does.
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
for binary in "$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll; do
  pack_imports "$binary"
done
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

# Licence texts of everything in the folder; the editor's own beside the program, where its About
# box reads it.
cp build-win/src/license.txt "$stage/"
cp "$qt"/licenses/* "$stage/licenses/"
cp "$qsci/licenses/"* "$stage/licenses/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-mingw-w64-copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-copyright.txt"
cp /usr/share/doc/tango-icon-theme/copyright "$stage/licenses/tango-icon-theme-copyright.txt"

# The portable zip: the folder as it is.
(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")

# The installer's two lists of files: what to put where, and what to remove again.
files="$PWD/$out/install-files.nsh"
unfiles="$PWD/$out/uninstall-files.nsh"
: > "$files"
: > "$unfiles"
(cd "$stage" && find . -type d | sort) | while read -r dir; do
  dir=${dir#.}; dir=${dir#/}
  echo "SetOutPath \"\$INSTDIR${dir:+\\${dir//\//\\}}\"" >> "$files"
  (cd "$stage/$dir" && find . -maxdepth 1 -type f | sort) | while read -r f; do
    f=${f#./}
    echo "File \"$PWD/$stage/${dir:+$dir/}$f\"" >> "$files"
    echo "Delete \"\$INSTDIR\\${dir:+${dir//\//\\}\\}$f\"" >> "$unfiles"
  done
done
# Folders deepest first, each only when empty.
(cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
  dir=${dir#./}
  echo "RMDir \"\$INSTDIR\\${dir//\//\\}\"" >> "$unfiles"
done
makensis -V2 -DVERSION="$version" -DICON="$PWD/build-win/windows/tessary-editor.ico" -DFILES="$files" \
         -DUNFILES="$unfiles" -DOUTFILE="$PWD/$out/$name-setup.exe" data/windows/installer.nsi

ls -l "$out/$name.zip" "$out/$name-setup.exe"
