#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds the tests that
# need no window once more with AddressSanitizer and UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-deps

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# The Debian package made from this build: its files, dependencies and the unpacked converter.
(cd build && cpack -G DEB -B package >/dev/null)
scripts/check-package build/package/tarvo-agent_*.deb

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON \
  -DTARVO_WITH_UI=OFF -DTARVO_WERROR=ON
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
