#!/usr/bin/env bash
# Builds Kolmar and runs every test: the normal build, the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, and a short run of each
# fuzz target. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-15}

bash scripts/setup.sh

passed=0
failed=0
run_ctest() {
  local dir=$1 log
  log=$(mktemp)
  set +e
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$JOBS" --timeout 600 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  local total fail
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$log" | tail -1)
  fail=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
  rm -f "$log"
  total=${total:-0}; fail=${fail:-0}
  if [ "$rc" -ne 0 ] && [ "$fail" -eq 0 ]; then fail=1; fi
  passed=$((passed + total - fail))
  failed=$((failed + fail))
}

echo "== build (release)"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/release -j"$JOBS"
echo "== tests (release)"
run_ctest build/release

echo "== build (address + undefined behaviour sanitizers)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKOLMAR_SANITIZE=ON -DKOLMAR_BUILD_BENCH=OFF >/dev/null
ninja -C build/asan -j"$JOBS"
echo "== tests (sanitizers)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest build/asan

echo "== fuzz targets (${FUZZ_SECONDS}s each)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKOLMAR_BUILD_FUZZ=ON -DKOLMAR_BUILD_GUI=OFF -DKOLMAR_BUILD_TESTS=OFF \
  -DKOLMAR_BUILD_BENCH=OFF >/dev/null
ninja -C build/fuzz -j"$JOBS"
for src in fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  corpus=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  if ( cd "$corpus" && "$ROOT/build/fuzz/fuzz/$name" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 \
         -print_final_stats=0 . >"$corpus.log" 2>&1 ); then
    echo "fuzz $name: ok"
    passed=$((passed + 1))
  else
    echo "fuzz $name: FAILED"; tail -40 "$corpus.log"
    failed=$((failed + 1))
  fi
  rm -rf "$corpus" "$corpus.log"
done

echo "kolmar: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
