#!/usr/bin/env bash
# The installed Windows program, used as a person would, under Wine with a window manager on a
# virtual screen of its own:
#   windows-smoke-test.sh INSTALLER STAND-IN-INTERPRETER SCREENSHOT
# A silent install for the current user; a .kix opened through its file association (`wine start`);
# a line typed and saved (the header stamp and the bytes are checked); the settings in Wine's
# registry; Execute starting the stand-in interpreter with exactly the script's path; a screenshot of
# the main window; a silent uninstall that removes every installed file and keeps the settings.
# The virtual screen takes a free display number, or TESSARY_SMOKE_DISPLAY (a number) when set.
set -euo pipefail
installer=$(realpath "$1")
recorder=$(realpath "$2")
screenshot=$(realpath -m "$3")

work=$(mktemp -d)
pids=()
finish() {
  local status=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
  exit $status
}
trap finish EXIT
fail() {
  echo "FAIL: $*" >&2
  import -window root "$screenshot" 2>/dev/null && echo "screen at the failure: $screenshot" >&2
  exit 1
}
# Waits up to $1 seconds for a command to succeed.
wait_for() {
  local seconds=$1
  shift
  for ((i = 0; i < seconds * 5; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

# A free display of our own, and a window manager on it.
if [ -n "${TESSARY_SMOKE_DISPLAY:-}" ]; then
  echo "$TESSARY_SMOKE_DISPLAY" > "$work/display"
  Xvfb ":$TESSARY_SMOKE_DISPLAY" -screen 0 1280x900x24 -nolisten tcp 2>/dev/null &
else
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
fi
pids+=($!)
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
wait_for 20 test -S "/tmp/.X11-unix/X${DISPLAY#:}" || fail "no X server on $DISPLAY"
openbox >/dev/null 2>&1 &
pids+=($!)

export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
timeout 180 wineboot -i </dev/null >/dev/null 2>&1
# The prefix has none of Windows' fonts: the dialog font and the editor's take this system's
# look-alikes, so that the screenshot shows what Windows would (Wine falls back to a serif face).
for face in "Tahoma:DejaVu Sans" "Courier New:DejaVu Sans Mono"; do
  timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%:*}" /d "${face#*:}" /f \
    </dev/null >/dev/null 2>&1
done
users="$WINEPREFIX/drive_c/users/$(id -un)"
program_dir="$users/AppData/Local/Programs/Tessary Editor"
key='HKCU\Software\Orland Works\Tessary Editor\Preferences'
unix_to_wine() { echo "Z:${1//\//\\}"; }

echo "-- silent install"
timeout 120 wine "$installer" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
[ -f "$program_dir/tessary-editor.exe" ] || fail "no tessary-editor.exe in $program_dir"
[ -f "$program_dir/platforms/qwindows.dll" ] || fail "no platform plugin installed"
installed=$(cd "$program_dir" && find . -type f | sort)
find "$users" -name 'Tessary Editor.lnk' | grep -q . || fail "no Start-menu entry"
# Windows reads a user's own file types (HKCU\Software\Classes) through HKEY_CLASSES_ROOT; Wine does
# not (its bug 14771), so the association the installer wrote is copied where Wine's shell looks.
for class in .kix TessaryEditor.kix; do
  timeout 60 wine reg copy "HKCU\\Software\\Classes\\$class" "HKLM\\Software\\Classes\\$class" /s /f \
    </dev/null >/dev/null 2>&1 || fail "the installer registered no $class"
done

# The stand-in interpreter records its arguments; it is named as the KiXtart program.
scripts="$users/Documents/Smoke Test"
mkdir -p "$scripts"
script="$scripts/logon script.kix"
printf '? "first line"\r\n' > "$script"
script_win='C:\users\'"$(id -un)"'\Documents\Smoke Test\logon script.kix'
timeout 60 wine reg add "$key" /v KixPath /t REG_SZ /d "$(unix_to_wine "$recorder")" /f </dev/null >/dev/null 2>&1 ||
  fail "cannot name the stand-in interpreter in the registry"
export ARGRECORDER_OUT
ARGRECORDER_OUT="$(unix_to_wine "$work/arguments.bin")"

echo "-- open through the file association"
(cd "$scripts" && timeout 20 wine start "$script_win" </dev/null >/dev/null 2>&1) || fail "wine start failed"
editor_window() { wmctrl -l | grep -F 'logon script.kix' | grep -F 'Tessary Editor' | awk '{print $1}' | head -n1; }
editor_shown() { [ -n "$(editor_window)" ]; }
wait_for 90 editor_shown || fail "no editor window showing the script"
window=$(editor_window)
wmctrl -i -a "$window"
sleep 3

echo "-- type and save"
xdotool key --delay 80 ctrl+End
xdotool type --delay 60 '$typed = "smoke test"'
xdotool key --delay 80 ctrl+s
wait_for 20 grep -q 'smoke test' "$script" || fail "the typed line was not saved"
head -c 300 "$script" | grep -q '^;\*\*\*\* Created with Tessary Editor' || fail "no header stamp: $(head -c 200 "$script")"
grep -q '^;\*\*\*\* Last Modified on .* ****' "$script" || fail "no modification stamp"
# The bytes: the stamp, the old line and the typed one, with Windows line ends throughout.
tail -c 40 "$script" | od -c | head -n 4
expected_tail=$(printf '? "first line"\r\n$typed = "smoke test"')
[ "$(tail -c ${#expected_tail} "$script")" = "$expected_tail" ] || fail "the saved text differs: $(tail -c 60 "$script" | od -c)"
if grep -q $'[^\r]$' <(head -n -1 "$script") 2>/dev/null; then fail "a line ends without CR LF"; fi

echo "-- Execute starts the interpreter with the script's path"
xdotool key --delay 80 ctrl+e
wait_for 30 test -f "$work/arguments.bin" || fail "the stand-in interpreter was not started"
# The record: the stand-in's folder, then its arguments, each ended by a NUL.
received=$(tr '\0' '\n' < "$work/arguments.bin")
echo "folder and arguments: $received"
[ "$(tr '\0' '\n' < "$work/arguments.bin" | tail -n +2)" = "$script_win" ] ||
  fail "the interpreter did not get exactly the script's path as its one argument"
sleep 2
import -window root "$screenshot"
echo "screenshot: $screenshot"

echo "-- close, settings in the registry"
wmctrl -i -c "$window"
wait_for 30 sh -c '! wmctrl -l | grep -q "Tessary Editor"' || fail "the editor did not close"
wait_for 30 sh -c '! pgrep -f tessary-editor.exe' || true
reg_out=$(timeout 60 wine reg query "$key" </dev/null 2>/dev/null | tr -d '\r')
echo "$reg_out"
# The window's place, written by the editor as it closed, beside the value set above.
for value in KixPath MainWidth MainHeight; do
  echo "$reg_out" | grep -q "^ *$value " || fail "no $value among the settings in the registry"
done

echo "-- silent uninstall"
timeout 120 wine "$program_dir/uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
# The uninstaller runs on from a copy of itself: wait until the folder has gone.
if ! wait_for 60 test ! -e "$program_dir"; then
  echo "left behind:" >&2
  find "$program_dir" >&2
  fail "files of the installation remain"
fi
echo "$installed" | wc -l | xargs echo "installed files, all removed:"
! find "$users" -name 'Tessary Editor.lnk' | grep -q . || fail "the Start-menu entry remains"
! timeout 60 wine reg query 'HKCU\Software\Classes\TessaryEditor.kix' </dev/null >/dev/null 2>&1 ||
  fail "the file type remains registered"
timeout 60 wine reg query "$key" </dev/null 2>/dev/null | grep -q KixPath || fail "the user's settings were removed"
echo "Windows smoke test passed"
