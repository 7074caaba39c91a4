#!/usr/bin/env bash
# Runs the llrpjs session (client_session.js) against kestrel-llrp serving a simulated reader.
#
#   run_session.sh READERSIM KESTREL_LLRP CLIENT_DIR [--capture]
#
# CLIENT_DIR holds node_modules/llrpjs (installed by the llrp.client_install test). With
# --capture, tshark records the session on the loopback interface and decodes it with its LLRP
# dissector; any malformed packet or warning in it fails the test. Exits 77 (skipped) when
# node is missing or the capture is not permitted.
set -euo pipefail
readersim="$1" llrp="$2" client="$3" capture="${4:-}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

command -v node >/dev/null || { echo "SKIP: node is not installed"; exit 77; }
[ -d "$client/node_modules/llrpjs" ] || { echo "FAIL: llrpjs is not installed in $client"; exit 1; }

# Waits for a line matching $2 in file $1 and prints its last field.
wait_line() {
  for _ in $(seq 100); do
    if grep -q "$2" "$1" 2>/dev/null; then grep "$2" "$1" | head -1 | awk '{print $NF}'; return 0; fi
    sleep 0.05
  done
  echo "FAIL: no '$2' in $1:" >&2; cat "$1" >&2; return 1
}

"$readersim" --no-pty --tcp 0 >"$work/sim.out" 2>&1 &
pids+=($!)
sim_address="$(wait_line "$work/sim.out" '^tcp ')"
"$llrp" --reader sim="tcp://$sim_address" --port 0 >"$work/llrp.out" 2>&1 &
pids+=($!)
llrp_address="$(wait_line "$work/llrp.out" '^llrp sim ')"
llrp_port="${llrp_address##*:}"

if [ "$capture" = "--capture" ]; then
  command -v tshark >/dev/null || { echo "SKIP: tshark is not installed"; exit 77; }
  pcap="$work/session.pcapng"
  tshark -i lo -f "tcp port $llrp_port" -w "$pcap" >"$work/tshark.out" 2>&1 &
  tshark_pid=$!
  pids+=($tshark_pid)
  for _ in $(seq 100); do
    grep -q "Capturing on" "$work/tshark.out" && break
    if ! kill -0 "$tshark_pid" 2>/dev/null; then break; fi
    sleep 0.05
  done
  if ! grep -q "Capturing on" "$work/tshark.out"; then
    echo "SKIP: capturing on the loopback interface is not permitted here:"; cat "$work/tshark.out"; exit 77
  fi
fi

NODE_PATH="$client/node_modules" node "$here/client_session.js" 127.0.0.1 "$llrp_port"

if [ "$capture" = "--capture" ]; then
  sleep 0.5
  kill -INT "$tshark_pid"; wait "$tshark_pid" 2>/dev/null || true
  decode=(tshark -r "$pcap" -d "tcp.port==$llrp_port,llrp")
  types="$("${decode[@]}" -Y llrp -T fields -e llrp.type | tr ',' '\n' | sort -un | tr '\n' ' ')"
  echo "LLRP message types in the capture: $types"
  # The session's requests and answers, among them RO_ACCESS_REPORT (61), must all be there.
  for t in 1 3 11 13 20 22 30 32 61 63; do
    [[ " $types " == *" $t "* ]] || { echo "FAIL: no LLRP message of type $t decoded"; exit 1; }
  done
  problems="$("${decode[@]}" -Y "_ws.malformed || (llrp && _ws.expert.severity >= warning)")"
  if [ -n "$problems" ]; then
    echo "FAIL: tshark reports malformed or suspect LLRP packets:"; echo "$problems"
    "${decode[@]}" -Y "_ws.malformed || (llrp && _ws.expert.severity >= warning)" -V | head -80
    exit 1
  fi
  echo "tshark: $("${decode[@]}" -Y llrp | wc -l) LLRP packets, none malformed"
fi
