#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/src/tessary-editor "$@"
fi
exec build/src/tessary-editor "$@"
