#!/usr/bin/env bash
# An installed tree in a temporary prefix, used as an integrator would: the versioned library
# and its links, the header compiled as C, the example built with pkg-config and with
# find_package(kestrel), both run against the simulator.
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION READERSIM
set -euo pipefail
build=$1 src=$2 version=$3 readersim=$4
major=${version%%.*}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
pc=$(find "$prefix" -name kestrel.pc)
[ -n "$pc" ] || fail "no kestrel.pc installed"
libdir=$(dirname "$(dirname "$pc")")

# libkestrel.so -> libkestrel.so.1 -> libkestrel.so.1.x.y, the soname libkestrel.so.1.
[ "$(readlink "$libdir/libkestrel.so")" = "libkestrel.so.$major" ] || fail "libkestrel.so is no link to the soname"
[ "$(readlink "$libdir/libkestrel.so.$major")" = "libkestrel.so.$version" ] || fail "the soname is no link to libkestrel.so.$version"
[ -f "$libdir/libkestrel.so.$version" ] || fail "libkestrel.so.$version missing"
dynamic=$(readelf -d "$libdir/libkestrel.so.$version")
[[ $dynamic == *"(SONAME)"*"[libkestrel.so.$major]"* ]] || fail "wrong soname: $dynamic"
# The result names live in the header only.
[[ $(nm -D --defined-only "$libdir/libkestrel.so.$version") != *kestrel_result_name* ]] ||
  fail "kestrel_result_name is exported"

# pkg-config: version, prefix, and a C build of the example, the header strict C89 and C99.
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion kestrel)" = "$version" ] || fail "pkg-config version"
[ "$(pkg-config --variable=prefix kestrel)" = "$prefix" ] || fail "pkg-config prefix $(pkg-config --variable=prefix kestrel)"
read -r -a cflags <<<"$(pkg-config --cflags kestrel)"
read -r -a libs <<<"$(pkg-config --libs kestrel)"
for std in c89 c99 c11; do
  printf '#include <kestrel.h>\nint main(void) { return kestrel_result_name(KESTREL_E_NO_REPLY)[0] != %s; }\n' "'K'" \
    >"$work/header.c"
  cc -std=$std -pedantic -Wall -Wextra -Werror "${cflags[@]}" "$work/header.c" "${libs[@]}" -o "$work/header-$std" ||
    fail "kestrel.h does not compile as $std"
  LD_LIBRARY_PATH=$libdir "$work/header-$std" || fail "kestrel_result_name (C, $std)"
done
cc -std=c99 -pedantic -Wall -Wextra -Werror "${cflags[@]}" "$src/examples/inventory.c" "${libs[@]}" \
  -o "$work/inventory-pc" || fail "examples/inventory.c with pkg-config"

# CMake: the examples project against the installed package.
cmake -S "$src/examples" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_FLAGS="-Werror" \
  >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "find_package(kestrel)"; }
cmake --build "$work/cmake" >>"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "examples with find_package"; }

# Both run against the installed library and list the simulator's tags.
expected=$'3000E2006811000000000001\n3000E2006811000000000002\n3400112233445566778899AA'
for program in "$work/inventory-pc" "$work/cmake/inventory"; do
  loads=$(LD_LIBRARY_PATH=$libdir ldd "$program")
  [[ $loads == *"libkestrel.so.$major => $libdir/"* ]] || fail "$program does not load the installed library: $loads"
  out=$(LD_LIBRARY_PATH=$libdir "$src/scripts/with-readersim" "$readersim" -- "$program")
  [ "$out" = "$expected" ] || fail "$program printed: $out"
done
echo "installed tree in $prefix: library, pkg-config and CMake package work"
