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

# Render: the add-in streams the design over the live link. lvsim, the bundled
# stand-in renderer, is installed for the demo under out/render; the add-in
# finds no renderer running, starts lvsim through the installation, sends the
# scene, and then sends an edited version of the design as an update.
render_dir=$(pwd)/out/render
rm -rf "$render_dir"
mkdir -p "$render_dir/instances"
build/bin/lvsim install --reg "$render_dir/lvsim.reg" --version 9 \
  --executable "$(pwd)/build/bin/lvsim" --bin-folder "$(pwd)/build/bin" \
  --resource-folder "$render_dir" --instances "$render_dir/instances" >/dev/null
export LUMIVEX_REGISTRY="$render_dir/lvsim.reg"
# The edit: the next version of the document, with the hidden block shown.
sed -e 's/"Bracket v3"/"Bracket v4"/' \
  -e '/"name": "Construction block"/,/"visible"/ s/"visible": false/"visible": true/' \
  examples/bracket.json >"$render_dir/bracket-edited.json"
# The lvsim the add-in started is stopped again, whatever happens.
stop_renderers() {
  for record in "$render_dir"/instances/*.instance; do
    [ -e "$record" ] && kill "$(basename "$record" .instance)" 2>/dev/null || true
  done
}
trap stop_renderers EXIT
build/bin/lvlink render examples/bracket.json "$render_dir/bracket-edited.json"
sleep 0.2  # lets lvsim finish its log lines
echo "rendered examples/bracket.json with the LumiVex add-in, then updated it with an edit"
