#!/usr/bin/env bash
# Formats every C++ source of the project in place with the repository's .clang-format.
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$raiz"
git ls-files -co --exclude-standard -- '*.cpp' '*.h' | xargs -r clang-format -i
