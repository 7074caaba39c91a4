# The sanitizer build shared by scripts/test-sanitize and fuzz/run; sourced, not run.
# clang with AddressSanitizer and UndefinedBehaviorSanitizer, every finding fatal, and
# libFuzzer's coverage instrumentation so the same objects serve the fuzz targets.
KESTREL_SANITIZE_PACKAGES=(clang libclang-rt-14-dev)
# The dynamic-type (vptr) and indirect-call type (function) checks are left out: they need
# UBSan's C++ runtime in every program that loads the library (the library calls the callers'
# trace and inventory functions through pointers), and the C examples are linked by the C
# driver, which does not bring it.
# Optimised at -O2 rather than the usual -O1: the simulator and scenario fuzz targets run about
# a fifth faster, and every check stays in (they are inserted before the optimiser runs).
KESTREL_SANITIZE_FLAGS="-fsanitize=address,undefined -fno-sanitize=vptr,function -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O2"

# configure_sanitized_build SOURCE_DIR BUILD_DIR [cmake arguments...]
configure_sanitized_build() {
  local source="$1" build="$2"
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$KESTREL_SANITIZE_FLAGS -fsanitize=fuzzer-no-link" \
    -DCMAKE_CXX_FLAGS="$KESTREL_SANITIZE_FLAGS -fsanitize=fuzzer-no-link" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DKESTREL_BUILD_FUZZ=ON "$@" >/dev/null
}
