#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over every source file of the
# program's libraries and tools (not the tests), using the compile commands of
# a build folder (default build-test, made by ./test). Fails on any finding.
# Usage: scripts/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy: no $build/compile_commands.json: run ./test (or cmake) first" >&2
    exit 2
fi
mapfile -t files < <(git ls-files '*.cpp' | grep -E '^(app|codec|display|link|media|phone|platform|ports|res|tools)/')
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 8 clang-tidy -p "$build" --quiet 2>/dev/null
echo "tidy: ${#files[@]} files clean"
