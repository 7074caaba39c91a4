#!/usr/bin/env bash
# The Python package against the simulator.
#   python_test.sh pytest SOURCE_DIR LIBRARY READERSIM      the package's tests (python/tests)
#   python_test.sh wheel SOURCE_DIR LIBRARY READERSIM VERSION
#     builds the wheel offline from a copy of python/, installs it into a new virtual
#     environment and lists the tags of a simulated reader over TCP with the installed
#     package, as `python3 -m kestrel` and as the `kestrel` command.
set -euo pipefail
mode=$1 src=$2 library=$3 readersim=$4 version=${5:-}
export KESTREL_LIBRARY=$library KESTREL_READERSIM=$readersim PYTHONDONTWRITEBYTECODE=1
export PIP_NO_INDEX=1 PIP_NO_CACHE_DIR=1 PIP_DISABLE_PIP_VERSION_CHECK=1

# The first python3 that has what the mode needs (the Debian interpreter has the python3-*
# packages of scripts/deps.sh; another python3 may come first on PATH).
needs=pytest
[ "$mode" = wheel ] && needs="setuptools, wheel, venv, pip"
python=
for candidate in /usr/bin/python3 python3; do
  if "$candidate" -c "import $needs" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with $needs (scripts/deps.sh installs them)" >&2; exit 1; }

if [ "$mode" = pytest ]; then
  cd "$src/python"
  exec "$python" -m pytest -q -p no:cacheprovider tests
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-wheel.XXXXXX")
sim=
cleanup() {
  if [ -n "$sim" ]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Build from a copy: the build leaves build/ and *.egg-info beside the sources.
cp -r "$src/python" "$work/src"
rm -rf "$work/src/tests"
"$python" -m pip wheel --no-build-isolation --no-deps -q "$work/src" -w "$work/dist" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; fail "pip wheel"; }
wheel="$work/dist/kestrel-$version-py3-none-any.whl"
[ -f "$wheel" ] || fail "no $(basename "$wheel") (the package version must be the project's): $(ls "$work/dist")"
"$python" -m zipfile -l "$wheel" >"$work/wheel.txt"
grep -q "kestrel/py.typed" "$work/wheel.txt" || fail "py.typed is not in the wheel"

"$python" -m venv --without-pip --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install -q --no-deps "$wheel" || fail "pip install into the virtual environment"

"$readersim" --tcp 0 --no-pty >"$work/sim.out" 2>/dev/null &
sim=$!
for _ in $(seq 100); do grep -q '^tcp ' "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
uri="tcp://$(sed -n 's/^tcp //p' "$work/sim.out")?address=1"
want=$'3000E2006811000000000001\n3000E2006811000000000002\n3400112233445566778899AA'

cd "$work"  # not the source tree: the installed package is the one imported
read -r where installed < <("$work/venv/bin/python" -c 'import kestrel; print(kestrel.__file__, kestrel.__version__)')
[[ "$where" = "$work/venv/"* ]] || fail "kestrel imported from $where, not the virtual environment"
[ "$installed" = "$version" ] || fail "kestrel.__version__ is $installed, the project's $version"
out=$("$work/venv/bin/python" -m kestrel inventory "$uri") || fail "python3 -m kestrel inventory exited $?"
[ "$out" = "$want" ] || fail "python3 -m kestrel inventory printed: $out"
out=$("$work/venv/bin/kestrel" inventory "$uri" --standard gjb) || fail "kestrel inventory exited $?"
[ "$(echo "$out" | wc -l)" = 3 ] || fail "kestrel inventory --standard gjb printed: $out"
echo "ok   $(basename "$wheel") installs and lists the simulated reader's tags"
