#!/usr/bin/env bash
# coverage.sh BUILDDIR INPUT... - line and branch coverage of src/ reached
# by replaying inputs (files or directories) through the whole tool:
# builds the replay driver with clang's source-based coverage in BUILDDIR,
# replays every input in-process and prints llvm-cov's report per file.
# BUILDDIR/coverage.txt gets the annotated source of the lines not reached.
set -euo pipefail

if [ $# -lt 2 ]; then echo "usage: $0 BUILDDIR INPUT..." >&2; exit 2; fi
BUILD=$1
shift
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LLVM_PROFDATA=$(command -v llvm-profdata || command -v llvm-profdata-14)
LLVM_COV=$(command -v llvm-cov || command -v llvm-cov-14)
FLAGS="-fprofile-instr-generate -fcoverage-mapping"

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$FLAGS" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target quorl_fuzz_replay >/dev/null
rm -f "$BUILD"/replay-*.profraw
LLVM_PROFILE_FILE="$BUILD/replay-%p.profraw" "$BUILD/fuzz/quorl_fuzz_replay" "$@" || true
"$LLVM_PROFDATA" merge -sparse -o "$BUILD/replay.profdata" "$BUILD"/replay-*.profraw
cov=("$BUILD/fuzz/quorl_fuzz_replay" -instr-profile="$BUILD/replay.profdata")
"$LLVM_COV" report "${cov[@]}" "$ROOT/src" | sed "s|$ROOT/||"
"$LLVM_COV" show "${cov[@]}" -show-branches=count -show-line-counts-or-regions \
  -use-color=false "$ROOT/src" >"$BUILD/coverage.txt"
echo "annotated source: $BUILD/coverage.txt"
