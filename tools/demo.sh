#!/usr/bin/env bash
# Exports the bundled example design with the add-in, as a user would with
# lvlink, and says where the scene file is.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/bin/lvlink ]; then
  echo "demo: build/bin/lvlink is missing; run 'make build' first" >&2
  exit 1
fi
mkdir -p out
build/bin/lvlink export examples/bracket.json -o out/bracket.lvs
echo "exported examples/bracket.json with the LumiVex add-in to $(pwd)/out/bracket.lvs"
