#!/usr/bin/env bash
# Runs browser_test.mjs: installs playwright-core (pinned) into the build folder when missing
# and drives Debian's /usr/bin/chromium with it.
#   browser_test.sh BUILD_DIR READERSIM GATEWAY
set -euo pipefail
build=$(cd "$1" && pwd) readersim=$2 gateway=$3
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
playwright_version=1.65.2
node_dir="$build/node"
[ -x /usr/bin/chromium ] || { echo "FAIL: /usr/bin/chromium is missing (apt-get install chromium)" >&2; exit 1; }
if [ "$(node -p "try { require('$node_dir/node_modules/playwright-core/package.json').version } catch (e) { '' }")" != "$playwright_version" ]; then
  mkdir -p "$node_dir"
  npm install --no-audit --no-fund --silent --prefix "$node_dir" "playwright-core@$playwright_version" >/dev/null
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-gw-browser.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/screenshots"
node "$here/browser_test.mjs" "$readersim" "$gateway" "$work" "$build/screenshots/gateway.png" "$node_dir/node_modules/playwright-core"
