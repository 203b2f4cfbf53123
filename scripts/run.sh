#!/usr/bin/env bash
# Set-up, build, install, then the main job: the graph builder on this project's own tree.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$here/scripts/setup.sh"
cd "$here"
exec dist/root/bin/vorlane --root . --out dist/run/info_graph.json "$@"
