#!/usr/bin/env bash
# Screenshots of the two main windows at their first start, for review: each program
# starts on a fresh program folder under a virtual X server, and its window is written
# to docs/ambrel-inicio.png and docs/corvane-inicio.png. Builds nothing: it uses the
# programs of an existing build folder (build/ unless one is given).
#   scripts/capturas.sh [BUILD_FOLDER]
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
construccion="${1:-$raiz/build}"
bin="$construccion/bin"
docs="$raiz/docs"

for programa in ambrel corvane; do
    if [ ! -x "$bin/$programa" ]; then
        echo "No existe $bin/$programa: compile antes (scripts/build.sh)." >&2
        exit 1
    fi
done
if [ ! -f "$bin/QuarelLexnet_ORI.mdb" ]; then
    echo "No existe la plantilla $bin/QuarelLexnet_ORI.mdb." >&2
    exit 1
fi
mkdir -p "$docs"

# A free display number for our own X server.
numero=90
while [ -e "/tmp/.X$numero-lock" ] || [ -e "/tmp/.X11-unix/X$numero" ]; do
    numero=$((numero + 1))
done
export DISPLAY=":$numero"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
servidor=$!
programa_pid=""
trabajo="$(mktemp -d /tmp/lexnet-capturas.XXXXXX)"
terminar() {
    if [ -n "$programa_pid" ]; then kill "$programa_pid" 2>/dev/null || true; fi
    kill "$servidor" 2>/dev/null || true
    rm -rf "$trabajo"
}
trap terminar EXIT
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

# program, start of its window caption, image
capturar() {
    local carpeta="$trabajo/$1/LexNET"
    mkdir -p "$carpeta"
    cp "$bin/QuarelLexnet_ORI.mdb" "$carpeta/"
    LEXNET_CARPETA_PROGRAMA="$carpeta" QT_QPA_PLATFORM=xcb "$bin/$1" >/dev/null 2>&1 &
    programa_pid=$!
    local ventana=""
    for _ in $(seq 100); do
        ventana="$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$2" 'index($0, t) { print $1; exit }')"
        [ -n "$ventana" ] && break
        sleep 0.1
    done
    if [ -z "$ventana" ]; then
        echo "La ventana de $1 no apareció." >&2
        exit 1
    fi
    sleep 2 # first paint
    import -window "$ventana" "$docs/$3"
    kill "$programa_pid" 2>/dev/null || true
    wait "$programa_pid" 2>/dev/null || true
    programa_pid=""
    echo "$docs/$3"
}

capturar ambrel "Descarga Notificaciones LexNet" ambrel-inicio.png
capturar corvane "Envío de Escritos LexNet" corvane-inicio.png
