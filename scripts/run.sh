#!/usr/bin/env bash
# Installs what is missing, builds, and starts Mirlo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec "${BUILD_DIR:-build}/bin/Mirlo"
