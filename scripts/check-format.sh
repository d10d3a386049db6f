#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
[ "${#files[@]}" -eq 0 ] && exit 0
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "velm: unformatted sources; run: clang-format -i \$(git ls-files '*.cpp' '*.h')" >&2
    exit 1
fi
