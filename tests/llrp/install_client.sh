#!/usr/bin/env bash
# Installs the LLRP client the end-to-end test drives: llrpjs, pinned, from npm into DIR.
#   install_client.sh DIR VERSION
# Exits 77 (skipped) when npm is not installed.
set -euo pipefail
dir="$1" version="$2"
installed="$dir/node_modules/llrpjs/package.json"
if [ -f "$installed" ] && grep -q "\"version\": \"$version\"" "$installed"; then
  echo "llrpjs $version already in $dir"
  exit 0
fi
command -v npm >/dev/null || { echo "SKIP: npm is not installed"; exit 77; }
npm install --prefix "$dir" --no-audit --no-fund --no-save "llrpjs@$version"
grep -q "\"version\": \"$version\"" "$installed"
