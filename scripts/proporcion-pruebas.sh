#!/usr/bin/env bash
# Prints the lines of the tests against the lines of the product (every source folder but
# tests/, tools/, bench/ and fuzz/) and their ratio; both sides count every line of their .cpp and .h files. Exits 1 when
# the tests pass the limit (35 % unless given as the first argument).
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
limite="${1:-35}"
cd "$raiz"
lineas() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -exec cat {} + | wc -l; }
pruebas=$(lineas tests)
carpetas=$(git ls-files '*.cpp' '*.h' | cut -d/ -f1 | sort -u | grep -vxE 'tests|tools|bench|fuzz')
# shellcheck disable=SC2086
producto=$(lineas $carpetas)
echo "tests: $pruebas lines; product: $producto lines;" \
    "ratio: $(awk "BEGIN { printf \"%.1f\", $pruebas * 100 / $producto }") % (limit $limite %)"
[ $((pruebas * 100)) -le $((producto * limite)) ]
