#!/usr/bin/env bash
# The C example of the README, compiled as an integrator would (strict C99) against the build's
# header and library, and run against the simulated reader on TCP: it prints the three EPC
# tags of the default scenario.
#   readme_example_test.sh SOURCE_DIR READERSIM LIBRARY
set -uo pipefail
src=$1 readersim=$2 library=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-readme.XXXXXX")
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The first C block of the README.
awk '/^```c$/ { inside = 1; next } /^```$/ && inside { exit } inside { print }' "$src/README.md" >"$work/example.c"
[ -s "$work/example.c" ] || fail "no C example in the README"
"$readersim" --no-pty --tcp 0 >"$work/sim.log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q '^tcp ' "$work/sim.log" && break; sleep 0.05; done
port=$(sed -n 's/^tcp 127.0.0.1://p' "$work/sim.log")
[ -n "$port" ] || fail "the simulator did not start: $(cat "$work/sim.log")"
sed -i "s/127.0.0.1:5084/127.0.0.1:$port/" "$work/example.c"
cc -std=c99 -pedantic -Wall -Wextra -Werror -I"$src/include" "$work/example.c" "$library" -o "$work/example" ||
  fail "the README's example does not compile"
out=$(LD_LIBRARY_PATH="$(dirname "$library")" "$work/example") || fail "the example failed: $out"
[ "$out" = $'3000E2006811000000000001\n3000E2006811000000000002\n3400112233445566778899AA' ] || fail "it printed: $out"
echo "the README's C example lists the simulator's tags"
