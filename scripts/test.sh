#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; checks the Debian package; then builds
# the logic again with AddressSanitizer and UndefinedBehaviorSanitizer and runs its tests there
# too.
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$raiz/scripts/build.sh"

(cd "$raiz/build" && ctest -j2 --output-on-failure --timeout 600)

# The Debian package, unpacked and run as an office would meet it.
"$raiz/scripts/prueba-paquete.sh"

export CCACHE_BASEDIR="$raiz" CCACHE_NOHASHDIR=1
cmake -S "$raiz" -B "$raiz/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLEXNET_GUI=OFF -DLEXNET_BENCH=OFF -DLEXNET_SANITIZERS=ON >/dev/null
cmake --build "$raiz/build-asan" -j "$(nproc)"
cd "$raiz/build-asan"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest -j2 --output-on-failure --timeout 900
