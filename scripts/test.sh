#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in a normal build and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build; then the tests of the threaded code once
# more in a ThreadSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

# Qt needs a private runtime folder and no display for the window tests.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")

bash scripts/build.sh build-asan -DKB_SANITIZE=ON -DKB_BUILD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j "$(nproc)")

# ThreadSanitizer: only the libraries with worker threads and their callers' tests are built
# here, to keep the run short.
cmake -S . -B build-tsan -G Ninja -DKB_SANITIZE_THREAD=ON -DKB_BUILD_BENCH=OFF >/dev/null
tsan_tests=(foundation_tests workspace_tests kb_upload_tests app_logic_tests)
cmake --build build-tsan -j "$(nproc)" --target "${tsan_tests[@]}"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for test in "${tsan_tests[@]}"; do
  build-tsan/tests/"$test"
done

# Every fuzz target in the sanitizer build. Each kb_fuzz() target (cmake/KbTargets.cmake) is a
# line "<name>|<seconds>|<corpus folder>|<dictionary>" of build-asan/fuzz_targets.txt, written
# by CMake, so a new target runs here without an edit: its corpus is the folder <name>_corpus
# beside its CMakeLists.txt (or the CORPUS it names), its time 20 s (or SECONDS). With the
# default compiler (g++) a target runs as a plain program that replays the corpus and mutates
# it; configured with clang++ it is a libFuzzer one with the same flags. New inputs go to a
# scratch folder, never into the committed corpus; the driver saves a failing input as
# build-asan/<name>-crash (libFuzzer as build-asan/crash-<hash>).
cmake --build build-asan --target fuzz_targets
while IFS='|' read -r name seconds corpus dict; do
  [ -n "$name" ] || continue
  fuzz_scratch=$(mktemp -d)
  echo "fuzz target $name, $seconds s"
  (cd build-asan && tests/"$name" -max_total_time="$seconds" ${dict:+-dict="$dict"} \
    "$fuzz_scratch" ${corpus:+"$corpus"} </dev/null)
  rm -rf "$fuzz_scratch"
done < build-asan/fuzz_targets.txt

# The libraries below the window and their tests, cross-built for Windows and run under wine,
# when asked for: KB_WINDOWS_CORE=1. Its first run on a machine builds QtCore, PCRE2 and
# GoogleTest for Windows (about 5 minutes on 2 cores); later runs take them from the cache.
if [ "${KB_WINDOWS_CORE:-0}" = 1 ]; then
  bash scripts/windows-core.sh
fi

# The Windows build, cross-built and tested under wine, when asked for: KB_WINDOWS=1. Its first
# run on a machine builds Qt and the other libraries for Windows (about 40 minutes on 2 cores).
if [ "${KB_WINDOWS:-0}" = 1 ]; then
  bash scripts/windows.sh
fi

# The generated scripts against the real Inno Setup compiler under wine32, when asked for:
# KB_INNO=1. It adds the i386 architecture (removed again if wine32 cannot be installed).
if [ "${KB_INNO:-0}" = 1 ]; then
  bash scripts/inno-check.sh
fi
