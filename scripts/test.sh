#!/usr/bin/env bash
# Installs what is missing, builds, checks formatting and runs the whole test suite.
# Extra arguments go to ctest (for example: scripts/test.sh -R store).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
"$VELM_ROOT/scripts/check-format.sh"
# Widget tests draw offscreen; the end-to-end tests start their own Xvfb.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$VELM_BUILD" --output-on-failure -j"${VELM_JOBS:-2}" "$@"
