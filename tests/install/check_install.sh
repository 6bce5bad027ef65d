#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree a desktop expects: each file in its
# place, the desktop entry, metainfo and MIME data accepted by their validators, the MIME data usable
# by the database builder, and the installed program reporting the build's version.
# Usage: check_install.sh BUILD_DIR VERSION [installed file...]   (paths below the prefix)
set -uo pipefail
build=$1 version=$2
shift 2
extra_files=("$@")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

app=org.orlandworks.TessaryEditor
expected=(
  share/applications/$app.desktop
  share/metainfo/$app.metainfo.xml
  share/mime/packages/tessary-editor.xml
  share/icons/hicolor/scalable/apps/tessary-editor.svg
  share/tessary-editor/license.txt
)
for size in 16 32 48 64 128 256; do
  expected+=(share/icons/hicolor/${size}x${size}/apps/tessary-editor.png)
done
expected+=("${extra_files[@]}")

# Exactly these files: nothing missing, nothing stray (a test helper or static library would be).
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) \
  || fail "installed files differ from the expected layout (< expected, > installed)"
for file in "${extra_files[@]}"; do
  case $file in
    bin/*) [ -x "$prefix/$file" ] || fail "$file is not executable"
           if [ "${QSCINTILLA_BUILT_IN:-0}" = 1 ] && objdump -p "$prefix/$file" | grep -q 'NEEDED.*qscintilla'; then
             fail "$file loads a shared QScintilla instead of the patched one built in"
           fi
           if [ "${QT_BUILT_IN:-0}" = 1 ] && objdump -p "$prefix/$file" | grep -Eq 'NEEDED.*(libQt6|libcups)'; then
             fail "$file loads a shared Qt or libcups at start although Qt is built in"
           fi ;;
  esac
done

cmp -s "$prefix/share/tessary-editor/license.txt" "$(dirname "$0")/../../LICENSE" \
  || fail "the installed license.txt is not the project's LICENSE"

# Each bitmap icon has the size of the folder it lives in (width and height from the PNG header).
for size in 16 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/tessary-editor.png
  [ -f "$png" ] || continue
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

desktop=$prefix/share/applications/$app.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=tessary-editor %f' "$desktop" || fail "desktop entry does not start tessary-editor with a file"
grep -qx 'Icon=tessary-editor' "$desktop" || fail "desktop entry does not name the installed icon"
grep -qx 'MimeType=text/x-kixtart;' "$desktop" || fail "desktop entry does not claim text/x-kixtart"

# validate-tree also checks that the metainfo's launchable names the installed desktop entry.
appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$app.metainfo.xml" \
  || fail "metainfo does not carry version $version"

mime=$prefix/share/mime
xmllint --noout "$mime/packages/tessary-editor.xml" || fail "xmllint on the MIME data"
# The database builder is what reads the file on a real system: *.kix must map to our type, which
# must be a kind of text/plain.
if update-mime-database "$mime" >/dev/null 2>&1; then
  grep -q '^[0-9]*:text/x-kixtart:\*\.kix$' "$mime/globs2" || fail "*.kix does not map to text/x-kixtart"
  grep -qx 'text/x-kixtart text/plain' "$mime/subclasses" || fail "text/x-kixtart is not a kind of text/plain"
else
  fail "update-mime-database rejected the MIME data"
fi

for page in "$prefix"/share/man/man1/*.1.gz; do
  name=$(basename "$page" .1.gz)
  zcat "$page" | grep -q "^\.TH ${name^^} 1 .*$version" || fail "$name(1) header does not carry version $version"
  warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$name(1) formats with warnings: $warnings"
done

out=$("$prefix/bin/tessary-editor" --version) || fail "installed tessary-editor --version failed"
[ "$out" = "tessary-editor $version" ] || fail "installed tessary-editor --version printed '$out'"

[ "$failures" -eq 0 ] && echo "installed tree is complete and valid"
exit $((failures > 0))
