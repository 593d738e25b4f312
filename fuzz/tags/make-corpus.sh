#!/usr/bin/env bash
# Rewrites the seed corpora under fuzz/tags/corpus/ from the test fixtures.
#   fuzz/tags/make-corpus.sh [BUILD_DIR]   (default build-tags)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-tags}"
cmake --build "$build" --target tags_fuzz_seeds -j2 >/dev/null
rm -rf "$root/fuzz/tags/corpus"
"$build/bin/tags_fuzz_seeds" "$root/fuzz/tags/corpus"
