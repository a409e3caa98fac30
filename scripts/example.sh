#!/usr/bin/env bash
# Builds fwuninstall, lays out a temporary agent installation with its
# registry file, runs the example manifest there and prints the log it wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fwuninstall >/dev/null

agent=$(mktemp -d /tmp/fwagent-example.XXXXXX)
trap 'rm -rf "$agent"' EXIT
sed "s|@AGENT_DIR@|$agent/|" "$root/examples/registry.reg" >"$agent/registry.reg"
export FWAGENT_REGISTRY_FILE=$agent/registry.reg

set +e
"$build/uninstaller/fwuninstall" "$root/examples/uninstall.json"
status=$?
set -e
echo "== fwuninstall exited with $status; its log, $agent/logs/zpaApplicationsUninstall.log:"
cat "$agent/logs/zpaApplicationsUninstall.log"
