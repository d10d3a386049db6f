#!/usr/bin/env bash
# Installs what is missing, builds, and starts velm. Arguments go to velm.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$VELM_BUILD/velm" "$@"
