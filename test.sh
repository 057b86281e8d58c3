#!/usr/bin/env bash
# Installs what Lumidex needs, builds it and runs every test.
#   ./test.sh              normal build in build/
#   ./test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   ./test.sh --tsan       ThreadSanitizer build of the threaded audio and waveform tests only, in build-tsan/
# Compiler warnings are errors (LUMIDEX_WERROR=OFF relaxes that for a local experiment);
# CI and a local run share one configuration, so they share ccache entries too.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps

build_dir=build
extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
targets=()
selection=()
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  extra=(-DCMAKE_BUILD_TYPE=Debug -DLUMIDEX_SANITIZE=ON -DLUMIDEX_BUILD_BENCH=OFF)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
elif [ "${1:-}" = "--tsan" ]; then
  build_dir=build-tsan
  extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIDEX_TSAN=ON -DLUMIDEX_BUILD_BENCH=OFF)
  targets=(--target audio_tests dshow_tests demo_sounds_tests waveform_tests)
  selection=(-L threads)
  export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:second_deadlock_stack=1"
fi

cmake -S . -B "$build_dir" -G Ninja -DLUMIDEX_WERROR="${LUMIDEX_WERROR:-ON}" "${extra[@]}"
cmake --build "$build_dir" -j "$(nproc)" "${targets[@]}"

# Tests never need a display or a sound card.
export QT_QPA_PLATFORM=offscreen
export LUMIDEX_AUDIO=null
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "${selection[@]}"
