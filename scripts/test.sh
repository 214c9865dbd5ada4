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

# A minute of the installer script translator's fuzz target in the sanitizer build. With the
# default compiler (g++) it runs as a plain program that replays the corpus and mutates it;
# configured with clang++ the same target is a libFuzzer one. New inputs go to a scratch folder,
# never into the committed corpus.
cmake --build build-asan --target compiler_fuzz
fuzz_scratch=$(mktemp -d)
build-asan/tests/compiler_fuzz -max_total_time=60 -dict=tests/compiler/compil32.dict \
  "$fuzz_scratch" tests/compiler/fuzz_corpus
rm -rf "$fuzz_scratch"

# The sealed signing password read back from the settings, in the same way.
cmake --build build-asan --target compiler_secret_fuzz
fuzz_scratch=$(mktemp -d)
build-asan/tests/compiler_secret_fuzz -max_total_time=20 "$fuzz_scratch" tests/compiler/secret_corpus
rm -rf "$fuzz_scratch"

# The Windows build, cross-built and tested under wine, when asked for: KB_WINDOWS=1. Its first
# run on a machine builds Qt and the other libraries for Windows (about 40 minutes on 2 cores).
if [ "${KB_WINDOWS:-0}" = 1 ]; then
  bash scripts/windows.sh
fi
