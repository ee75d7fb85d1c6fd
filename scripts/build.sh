#!/usr/bin/env bash
# Builds everything (release with debug information) into build/; executables in build/bin/.
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$raiz/scripts/instalar.sh"

# ccache shares objects between clones of the repository (CI builds in a fresh one).
export CCACHE_BASEDIR="$raiz" CCACHE_NOHASHDIR=1

cmake -S "$raiz" -B "$raiz/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$raiz/build" -j "$(nproc)"
