#!/usr/bin/env bash
# KESTREL_TRACE=<file> traces the default link of a program that knows nothing of it: the C
# inventory example against the simulator, each frame sent and each reply with its result.
#   trace_test.sh SOURCE_DIR READERSIM INVENTORY
set -uo pipefail
src=$1 readersim=$2 inventory=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-trace.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

KESTREL_TRACE="$work/trace" "$src/scripts/with-readersim" "$readersim" -- "$inventory" 0 1 10 >/dev/null ||
  fail "the example failed"
[ -s "$work/trace" ] || fail "no trace written"
# The probe of LinkCom to reader 1, as sent, then its reply.
grep -Eq '^[0-9]+\.[0-9]{9} > 01 00 \| 10 01 01 00 00 01 10 02$' "$work/trace" || fail "no probe line: $(head -3 "$work/trace")"
grep -Eq '^[0-9]+\.[0-9]{9} < 01 00 0 KESTREL_OK \| 10 01 01 00 00 00 00 01 10 02$' "$work/trace" ||
  fail "no probe reply line: $(head -3 "$work/trace")"
# Every frame sent has its reply line, and the inventory and tag list are there.
sent=$(grep -c ' > ' "$work/trace")
received=$(grep -c ' < ' "$work/trace")
[ "$sent" = "$received" ] || fail "$sent frames sent, $received replies"
grep -q ' > 01 22 ' "$work/trace" || fail "no EPC_Query_ON"
grep -q ' < 01 23 0 KESTREL_OK ' "$work/trace" || fail "no tag list reply"
echo "KESTREL_TRACE: $sent transactions traced"
