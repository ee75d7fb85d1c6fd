#!/usr/bin/env bash
# Builds the Debian package ambrel-corvane_<version>_<arch>.deb into build/paquete/ and
# prints its path: the four programs, the template, desktop entries, icons, manual pages,
# systemd user units and documents, with the runtime dependencies worked out from the
# binaries (dpkg-shlibdeps).
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$raiz/scripts/build.sh" >&2
cd "$raiz/build"
rm -f paquete/*.deb
cpack -G DEB >&2
ls "$raiz"/build/paquete/*.deb
