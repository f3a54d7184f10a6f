#!/usr/bin/env bash
# The main job on the bundled example: writes a scene file into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p out
if [ -x build/bin/lvs_example ]; then
  build/bin/lvs_example out/example.lvs
  echo "wrote the example scene to $(pwd)/out/example.lvs"
else
  echo "demo: build/bin/lvs_example is missing; run 'make build' first" >&2
  exit 1
fi
