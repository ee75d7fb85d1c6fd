#!/usr/bin/env bash
# Demo on a fresh machine: installs what is missing, builds, and starts Ambrel and
# Corvane on a new, empty program folder, then shows what their first start created
# (data folder, database, settings file). With a display, Ambrel stays open.
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$raiz/scripts/build.sh"
bin="$raiz/build/bin"

carpeta="$(mktemp -d /tmp/lexnet-demo.XXXXXX)/LexNET"
mkdir -p "$carpeta"
cp "$bin/QuarelLexnet_ORI.mdb" "$carpeta/"
export LEXNET_CARPETA_PROGRAMA="$carpeta"
echo "Carpeta del programa: $carpeta"

arrancar() { # program; runs its start-up without a screen, then ends it
    echo "== Arrancando $1 =="
    QT_QPA_PLATFORM=offscreen timeout -s TERM 4 "$bin/$1" || true
}
arrancar ambrel
arrancar corvane

echo
echo "== Archivos creados =="
(cd "$carpeta" && find . -print | sort)
echo
echo "== Ambrel.INI =="
tr -d '\r' <"$carpeta/Ambrel.INI"
echo
echo "== Tablas de la base de datos =="
sqlite3 "$carpeta/DATOS/QUARELLEXNET.MDB" ".tables"
echo "Entorno (Parametro.URLBase): $(sqlite3 "$carpeta/DATOS/QUARELLEXNET.MDB" 'SELECT URLBase FROM Parametro')"

if [ -n "${DISPLAY:-}" ] && [ -t 0 ]; then
    read -r -p "¿Abrir Ambrel sobre esta carpeta? [s/N] " r
    if [[ "$r" =~ ^[sS]$ ]]; then "$bin/ambrel"; fi
fi
