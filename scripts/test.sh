#!/usr/bin/env bash
# Sets up, builds (incrementally: a fresh clone builds everything) and runs every test: once in
# release, once under AddressSanitizer and UndefinedBehaviorSanitizer. Extra arguments go to ctest
# (for example -R TaskList).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in release asan; do
  echo "== $preset =="
  scripts/build.sh "$preset"
  ctest --preset "$preset" -j"$(nproc)" "$@"
done
