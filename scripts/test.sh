#!/bin/sh
# Builds and runs every test twice: an optimised build, then the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, then runs each libFuzzer target briefly.
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh
JOBS="${JOBS:-$(nproc)}"

run_suite() {
  dir="$1"
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j "$JOBS"
  ctest --test-dir "$dir" --output-on-failure -j "$JOBS" --timeout 600
}

echo "== house style (.clang-format)"
# Checked first: it takes seconds, and an unformatted file is cheaper to fix before a build.
if git rev-parse --git-dir >/dev/null 2>&1; then
  git ls-files '*.h' '*.cc' | xargs clang-format --dry-run -Werror
else
  find src tests bench fuzz examples -name '*.h' -o -name '*.cc' | xargs clang-format --dry-run -Werror
fi

echo "== optimised build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DCL_SANITIZE=ON -DCL_BUILD_BENCH=OFF

echo "== libFuzzer targets, a short run each (scripts/fuzz.sh runs them longer)"
if command -v clang++ >/dev/null 2>&1; then
  # A fresh corpus each time: the run is the committed seeds plus what it finds itself.
  corpus_fuzz="$(mktemp -d)"
  trap 'rm -rf "$corpus_fuzz"' EXIT
  CL_FUZZ_DIR="$corpus_fuzz" JOBS_BUILD="$JOBS" sh scripts/fuzz.sh -r "${CL_FUZZ_EXECUCOES:-10000}"
else
  echo "clang++ não encontrado: etapa de fuzzing ignorada (scripts/install-deps.sh instala o clang)"
fi

echo "== the tests' share of the code"
sh scripts/test-share.sh 35
