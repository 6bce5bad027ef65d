#!/usr/bin/env bash
# Measures this editor and SciTE (Debian's `scite`, only as a yardstick) the same way in one run, on a
# private Xvfb display with openbox maximising every window: the time from a key sent through XTEST to
# the changed pixels at several rhythms, the time to a fully painted window after opening, bulk
# commands and Replace All up to the last change of the screen, and peak memory
# (bench/screen_latency does the measuring). Runs are interleaved; the table gives medians.
#
#   bench/side_by_side.sh [--display :N] [--runs N] [--only NAMES] [--build DIR]
#
# NAMES: a comma-separated subset of real-1mb, real-10mb, line-5mb, line-50mb. Needs Xvfb, openbox
# and scite; writes nothing outside a temporary folder, which it removes.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build"
display=":97"
runs=5
only="real-1mb,real-10mb,line-5mb,line-50mb"
while [ $# -gt 0 ]; do
  case "$1" in
    --display) display="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
driver="$build/bench/screen_latency"
editor="$build/src/tessary-editor"
for tool in Xvfb openbox scite xdotool; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
[ -x "$driver" ] && [ -x "$editor" ] || { echo "build $driver and $editor first" >&2; exit 2; }

scratch=$(mktemp -d /tmp/side-by-side.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
cat > "$scratch/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications><application class="*" type="normal"><maximized>yes</maximized></application></applications>
</openbox_config>
EOF
openbox --config-file "$scratch/rc.xml" >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$driver" generate "$scratch" >&2

# Each program gets fresh settings: no recovery records, no remembered files or window places.
cat > "$scratch/ours.sh" <<EOF
#!/bin/sh
rm -rf "$scratch/ours"; mkdir -p "$scratch/ours/config" "$scratch/ours/state"
export TESSARY_REGISTRY_FILE="$scratch/ours/settings.reg" XDG_CONFIG_HOME="$scratch/ours/config" XDG_STATE_HOME="$scratch/ours/state"
exec "$editor" "\$@"
EOF
cat > "$scratch/scite.sh" <<EOF
#!/bin/sh
rm -rf "$scratch/scite"; mkdir -p "$scratch/scite"
export HOME="$scratch/scite"
exec scite "\$@"
EOF
chmod +x "$scratch/ours.sh" "$scratch/scite.sh"

# Typing happens in a statement 20 lines before the end (or near the start of a long line).
real_keys="ctrl+End,Up*20,Home,Right*4"
rhythms="isolated:8,250:16,500:16,pause:5,burst:200"
# Replace All of "$Result": ours through Edit > Replace and the Replace All button, SciTE through its
# replace strip.
ours_replace_prepare='alt+e,p,p,Return,wait:500,ctrl+a,text:$Result,Tab,ctrl+a,text:$Outcome,Tab*7,wait:300'
ours_replace='space'
scite_replace_prepare='ctrl+h,wait:500,ctrl+a,text:$Result,Tab,ctrl+a,text:$Outcome,wait:300'
scite_replace='alt+a'
# The status bar's clock changes every second: not a change the measured work made.
ours_ignore="--ignore 1090,870,190,30"

results="$scratch/results.txt"
measure() { # program file args...
  local program="$1" file="$2"
  shift 2
  local extra=()
  [ "$program" = ours ] && extra=($ours_ignore)
  "$driver" run "${extra[@]}" "$@" -- "$scratch/$program.sh" "$scratch/$file.kix" 2>/dev/null |
    sed "s/^/$program $file /" >> "$results"
}
scenario() { # program file
  local program="$1" file="$2" prepare replace
  if [ "$program" = ours ]; then prepare=$ours_replace_prepare; replace=$ours_replace
  else prepare=$scite_replace_prepare; replace=$scite_replace; fi
  case "$file" in
    real-1mb) measure "$program" "$file" --goto "$real_keys" --rhythms "$rhythms" ;;
    real-10mb) measure "$program" "$file" --goto "$real_keys" --rhythms "$rhythms" \
                 --action "indent=ctrl+a,Tab" --action "undo_indent=ctrl+z" \
                 --action "-replace_prepare=$prepare" --action "replace_all=$replace" ;;
    line-5mb) measure "$program" "$file" --timeout 60000 --deadline 300000 --goto "Right*10" --rhythms "isolated:5,600:6" ;;
    line-50mb) measure "$program" "$file" --timeout 60000 --deadline 300000 --goto "Right*10" --rhythms "isolated:3" ;;
  esac
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
for run in $(seq "$runs"); do
  for file in ${only//,/ }; do
    if [ $((run % 2)) = 1 ]; then order="ours scite"; else order="scite ours"; fi
    for program in $order; do
      echo "run $run: $program $file" >&2
      scenario "$program" "$file"
    done
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

# Medians of the runs; -1 marks a run that did not finish within its time limit.
awk '
  { key = $2 " " $3; v[$1, key, ++n[$1, key]] = $4; keys[key] = 1 }
  function median(p, k,    m, i, j, t, a) {
    m = n[p, k]; if (m == 0) return "-"
    for (i = 1; i <= m; i++) a[i] = v[p, k, i]
    for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return (m % 2) ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
  }
  END {
    printf "%-12s %-40s %12s %12s %8s\n", "file", "figure", "ours", "SciTE", "ratio"
    for (k in keys) {
      split(k, parts, " ")
      o = median("ours", k); s = median("scite", k)
      r = (o != "-" && s != "-" && s > 0 && o >= 0) ? sprintf("%.2f", o / s) : "-"
      printf "%-12s %-40s %12s %12s %8s\n", parts[1], parts[2], o, s, r
    }
  }' "$results" | sort
