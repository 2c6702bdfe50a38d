#!/usr/bin/env bash
# Installs what is needed, builds the library and the CLI, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build korvanda korvanda_cli
if build/bin/korvanda demo --help >/dev/null 2>&1; then
  build/bin/korvanda demo "$@"
else
  build/bin/korvanda --help
  build/bin/korvanda call KORVANDA.clsControlFiles fileAdvance
fi
