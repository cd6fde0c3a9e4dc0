#!/usr/bin/env bash
# Installs what Borvane needs, builds it with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite (widgets offscreen,
# whole-program runs under xvfb-run).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
build="$here/build-asan"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBORVANE_SANITIZE=ON -DBORVANE_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_odr_violation=0"
# use_tls=0: the leak checker's scan of dynamic thread-local storage crashes
# ("Tracer caught signal 11") once Qt and the embedded Firebird engine have
# loaded and unloaded libraries with TLS of their own; without that scan a few
# blocks held only from TLS by glib and the loader look leaked and are
# suppressed by name.
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0:use_tls=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$here/tests/ubsan.supp"
# Widgets draw offscreen unless a test asks for the X server (xvfb-run) itself;
# this also holds while CTest lists a test program's cases.
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
