#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang++ (ASan + UBSan) into build-fuzz/ and runs
# each one, one after the other, for the given number of inputs, keeping its corpus in
# build-fuzz/corpus/<target>/ (with fuzz/<target>.dict as its dictionary when there is one).
# Fails when a target finds a crash; the input that caused it is left in
# build-fuzz/artefactos/<target>/.
#   scripts/fuzz.sh [entradas=1000000] [objetivo...]   objetivo: fuzz_base64 or base64
# With no target named, every fuzz/fuzz_*.cpp runs.
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
compilacion="$raiz/build-fuzz"

entradas=1000000
if [[ $# -gt 0 && "$1" =~ ^[0-9]+$ ]]; then
    entradas="$1"
    shift
fi

objetivos=()
if [[ $# -eq 0 ]]; then
    for f in "$raiz"/fuzz/fuzz_*.cpp; do
        [[ -e "$f" ]] && objetivos+=("$(basename "$f" .cpp)")
    done
else
    for o in "$@"; do
        o="$(basename "$o" .cpp)"
        [[ "$o" == fuzz_* ]] || o="fuzz_$o"
        if [[ ! -e "$raiz/fuzz/$o.cpp" ]]; then
            echo "fuzz.sh: no existe fuzz/$o.cpp" >&2
            exit 2
        fi
        objetivos+=("$o")
    done
fi
if [[ ${#objetivos[@]} -eq 0 ]]; then
    echo "fuzz.sh: no hay objetivos en fuzz/" >&2
    exit 2
fi

compilador="${CXX:-}"
if [[ -z "$compilador" ]]; then
    compilador="$(command -v clang++ || command -v clang++-14 || true)"
fi
if [[ -z "$compilador" ]]; then
    echo "fuzz.sh: hace falta clang++" >&2
    exit 2
fi

CXX="$compilador" cmake -S "$raiz/fuzz" -B "$compilacion" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$compilacion" -j 2 --target "${objetivos[@]}"

fallidos=()
resumen=()
for o in "${objetivos[@]}"; do
    corpus="$compilacion/corpus/$o"
    artefactos="$compilacion/artefactos/$o"
    mkdir -p "$corpus" "$artefactos"
    echo "== $o: $entradas entradas"
    inicio=$SECONDS
    diccionario=()
    [[ -e "$raiz/fuzz/$o.dict" ]] && diccionario=(-dict="$raiz/fuzz/$o.dict")
    if ! "$compilacion/bin/$o" -runs="$entradas" -print_final_stats=1 "${diccionario[@]}" \
        -artifact_prefix="$artefactos/" "$corpus"; then
        fallidos+=("$o")
    fi
    resumen+=("$o: $entradas entradas en $((SECONDS - inicio)) s")
done
printf '%s\n' "${resumen[@]}"

if [[ ${#fallidos[@]} -gt 0 ]]; then
    echo "fuzz.sh: fallan ${fallidos[*]} (entradas en $compilacion/artefactos/)" >&2
    exit 1
fi
echo "fuzz.sh: ${objetivos[*]} sin fallos en $entradas entradas cada uno"
