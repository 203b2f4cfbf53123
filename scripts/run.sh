#!/usr/bin/env bash
# Set-up, build, install, then the main job: the launcher's dry run on this project's own
# tree, which prints the context it would hand the agent for a question (the arguments,
# or a question about the project itself).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$here/scripts/setup.sh"
cd "$here"
[ $# -gt 0 ] || set -- "how does the launcher pack context for a question and start the agent"
exec dist/root/bin/wendle-claude --dry-run "$@"
