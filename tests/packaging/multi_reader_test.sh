#!/usr/bin/env bash
# examples/multi_reader against three simulated readers at once (two pseudo-terminals at
# reader numbers 1 and 2, one TCP-only), and with one URI that names no reader.
#   multi_reader_test.sh READERSIM MULTI_READER
set -uo pipefail
readersim=$1 program=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-multi.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$readersim" --link "$work/com-a" --address 1 >"$work/a.log" 2>&1 & pids+=($!)
"$readersim" --link "$work/com-b" --address 2 --empty >"$work/b.log" 2>&1 & pids+=($!)
"$readersim" --no-pty --tcp 0 >"$work/c.log" 2>&1 & pids+=($!)
for _ in $(seq 100); do
  [ -e "$work/com-a" ] && [ -e "$work/com-b" ] && grep -q '^tcp ' "$work/c.log" && break
  sleep 0.05
done
tcp=$(sed -n 's/^tcp //p' "$work/c.log")
[ -n "$tcp" ] || fail "the TCP simulator did not start: $(cat "$work/c.log")"

"$program" "serial://$work/com-a?address=1" "serial://$work/com-b?address=2" "tcp://$tcp?address=1" \
  >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 0 ] || fail "exit $status: $(cat "$work/err")"
epcs=$'3000E2006811000000000001\n3000E2006811000000000002\n3400112233445566778899AA'
[ "$(sed -n 's/^1 //p' "$work/out")" = "$epcs" ] || fail "reader 1 printed: $(cat "$work/out")"
[ "$(grep -c '^2 ' "$work/out")" = 0 ] || fail "the empty reader printed tags"
[ "$(sed -n 's/^3 //p' "$work/out")" = "$epcs" ] || fail "reader 3 printed: $(cat "$work/out")"
grep -qx "1: serial://$work/com-a?address=1: 3 tag(s)" "$work/err" || fail "summary: $(cat "$work/err")"
grep -qx "2: serial://$work/com-b?address=2: 0 tag(s)" "$work/err" || fail "summary: $(cat "$work/err")"

# A URI that names nothing, and one no reader answers, beside a good one.
"$program" "serial://$work/com-a?address=1" "bogus:" "serial://$work/com-b?address=9" >"$work/out" 2>"$work/err"
[ $? = 1 ] || fail "a failed reader must make the exit status 1"
grep -qx "2: bogus:: KESTREL_E_BAD_URI (251)" "$work/err" || fail "bad URI: $(cat "$work/err")"
grep -qx "3: serial://$work/com-b?address=9: KESTREL_E_NO_REPLY (234)" "$work/err" || fail "silent: $(cat "$work/err")"
[ "$(sed -n 's/^1 //p' "$work/out")" = "$epcs" ] || fail "the good reader is served all the same"
echo "multi_reader: three readers in parallel, failures reported per reader"
