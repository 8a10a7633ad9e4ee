#!/usr/bin/env bash
# Runs every fuzz target under libFuzzer (clang, AddressSanitizer and UBSan), each for
# FUZZ_SECONDS (default 600), one after the other. Not part of CI: a full round takes
# about ten minutes per target.
#   scripts/fuzz.sh                   all targets
#   scripts/fuzz.sh mdns_change_listener_fuzz unicast_answer_fuzz
# Each target starts from its seeds in tests/fuzz/corpus/<target>; the inputs it finds
# are kept in $BUILD_DIR/corpus/<target> (and used again by the next run). With
# FUZZ_MERGE=1 the ones that reach code the seeds do not are merged into
# tests/fuzz/corpus/<target> at the end (a minute can add a hundred files: commit a few).
# A failing input is written to $BUILD_DIR/crashes/<target>/ and the script ends with
# status 1 after the remaining targets have run.
# BUILD_DIR (default build-fuzz) selects the build tree; JOBS the build's parallelism.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE_DIR=$PWD
BUILD_DIR=${BUILD_DIR:-build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-600}
JOBS=${JOBS:-2}
FUZZ_MERGE=${FUZZ_MERGE:-0}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^ravix_add_fuzz_target(\([a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
fi

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DRAVIX_FUZZ=ON
cmake --build "$BUILD_DIR" --parallel "$JOBS" --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
  binary=$(find "$BUILD_DIR/tests/fuzz" -maxdepth 1 -type f -name "$target" | head -n 1)
  if [ -z "$binary" ]; then
    echo "fuzz.sh: no program for $target" >&2
    failed+=("$target")
    continue
  fi
  seeds="$SOURCE_DIR/tests/fuzz/corpus/$target"
  work="$BUILD_DIR/corpus/$target"
  crashes="$BUILD_DIR/crashes/$target"
  mkdir -p "$seeds" "$work" "$crashes"
  echo "== $target: $FUZZ_SECONDS s"
  # A length read from the input may ask for gigabytes: the code checks for a null
  # answer, which the sanitizer must then give as malloc does.
  if ! ASAN_OPTIONS=allocator_may_return_null=1 "$binary" -max_total_time="$FUZZ_SECONDS" -max_len=65536 \
      -artifact_prefix="$crashes/" -print_final_stats=1 "$work" "$seeds"; then
    failed+=("$target")
    continue
  fi
  if [ "$FUZZ_MERGE" = 1 ]; then
    "$binary" -merge=1 "$seeds" "$work" >/dev/null 2>&1 || true
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz.sh: failing targets: ${failed[*]} (inputs in $BUILD_DIR/crashes/)" >&2
  exit 1
fi
echo "fuzz.sh: ${#targets[@]} target(s), no fault"
