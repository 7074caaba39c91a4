#!/usr/bin/env bash
# scripts/demo-gateway as an operator runs it: the web page's and the broker's addresses on
# lines of their own, four readers online through the HTTP API, the gateway's events on the
# broker, and Ctrl-C (SIGINT to the demo's process group) stopping everything it started.
#   demo_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$(cd "$2" && pwd)
out=$(mktemp) sub_out=$(mktemp)
demo_pid="" sub_pid=""
cleanup() {
  [ -n "$sub_pid" ] && kill "$sub_pid" 2>/dev/null || true
  [ -n "$demo_pid" ] && kill -INT -- "-$demo_pid" 2>/dev/null || true
  rm -f "$out" "$sub_out"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $1" >&2
  sed 's/^/  demo| /' "$out" >&2
  exit 1
}

# Its own process group, as a shell gives a foreground job; the suite has built what it runs.
KESTREL_BUILD_DIR="$build" KESTREL_DEMO_NO_BUILD=1 setsid "$source_dir/scripts/demo-gateway" >"$out" 2>&1 &
demo_pid=$!
for _ in $(seq 300); do
  grep -q '^mqtt://127\.0\.0\.1:[0-9]*$' "$out" && grep -q '^http://127\.0\.0\.1:[0-9]*/$' "$out" && break
  kill -0 "$demo_pid" 2>/dev/null || fail "the demo exited before printing its addresses"
  sleep 0.1
done
url=$(grep -m1 '^http://127\.0\.0\.1:[0-9]*/$' "$out") || fail "no http://127.0.0.1:PORT/ line"
mqtt=$(grep -m1 '^mqtt://127\.0\.0\.1:[0-9]*$' "$out") || fail "no mqtt://127.0.0.1:PORT line"

mosquitto_sub -h 127.0.0.1 -p "${mqtt##*:}" -v -t 'kestrel/demo/readers/+/status' >"$sub_out" &
sub_pid=$!
online=0
for _ in $(seq 100); do
  online=$(curl -sf "${url}api/readers" | python3 -c 'import json, sys; print(sum(r["status"] == "online" for r in json.load(sys.stdin)["readers"]))' || echo 0)
  [ "$online" = 4 ] && [ "$(grep -c reader_online "$sub_out")" -ge 4 ] && break
  sleep 0.1
done
[ "$online" = 4 ] || fail "$online of 4 readers online"
for reader in dock-1 shelf-1 gate-1 gate-2; do
  grep -q "^kestrel/demo/readers/$reader/status .*reader_online" "$sub_out" || fail "no retained status of $reader on the broker"
done
tags=$(curl -sf "${url}api/tags" | python3 -c 'import json, sys; print(json.load(sys.stdin)["count"])')
[ "$tags" -ge 6 ] || fail "only $tags tags present"

# Ctrl-C: the whole group gets SIGINT; the demo must stop and leave none of its processes.
kill -INT -- "-$demo_pid"
for _ in $(seq 100); do
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$demo_pid" 2>/dev/null && fail "the demo is still running 10 s after Ctrl-C"
left=$(pgrep -g "$demo_pid" -a || true)
[ -z "$left" ] || fail "left running after Ctrl-C: $left"
demo_pid=""
echo "demo: $url and $mqtt, 4 readers online, $tags tags, stopped cleanly"
