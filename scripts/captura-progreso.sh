#!/usr/bin/env bash
# Screenshot of ambrel-cli's progress line: a download of large documents from the simulator
# runs in a tmux terminal of 80 columns, its screen is captured mid-run and drawn to
# docs/ambrel-progreso.png. Builds nothing: it uses the programs of build/ (or the folder given).
#   scripts/captura-progreso.sh [BIN]
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$(cd "${1:-$raiz/build/bin}" && pwd)"
command -v tmux >/dev/null || { echo "Falta tmux (apt-get install tmux)" >&2; exit 1; }

tmp="$(mktemp -d /tmp/captura-progreso.XXXXXX)"
source "$raiz/scripts/simulador.sh"
sesion="progreso-$$"
terminar() {
    tmux kill-session -t "$sesion" 2>/dev/null || true
    parar_simulador
    rm -rf "$tmp"
}
trap terminar EXIT

eval "$("$raiz/scripts/tarjeta-prueba.sh" "$tmp/tarjeta")"
export SOFTHSM2_CONF
{
    printf '{"tamBloque": 262144, "notificaciones": ['
    for i in $(seq 1 12); do
        [ "$i" -gt 1 ] && printf ','
        printf '{"id": "P%s", "fechaEnvio": "2026-11-02T10:00:00", "numeroProcedimiento": "%07d/2026",' "$i" "$((400 + i))"
        printf ' "origen": {"clase": "organoJudicial", "dn": "CN=Juzgado 5", "nombre": "Juzgado 5"},'
        printf ' "tipoProcedimiento": {"codigo": "ORD", "texto": "Ordinario"},'
        printf ' "documentos": [{"nombre": "Demanda.pdf", "generar": {"tamano": 41943040, "semilla": %s}}]}' "$i"
    done
    printf ']}\n'
} >"$tmp/datos.json"
arrancar_simulador "$tmp" "$tmp/datos.json"

prog="$tmp/programa"
mkdir -p "$prog"
cp "$bin/QuarelLexnet_ORI.mdb" "$prog/"
LEXNET_CARPETA_PROGRAMA="$prog" "$bin/ambrel-cli" listar >/dev/null 2>&1 || true
apuntar_al_simulador "$prog/Ambrel.INI"
printf '%s\n' "$LEXNET_PIN" >"$tmp/pin"
chmod 600 "$tmp/pin"

# The terminal runs in the work folder with the programs in PATH, so the command reads as typed.
tmux new-session -d -s "$sesion" -x 80 -y 6 -c "$tmp" \
    "env PATH='$bin':\"\$PATH\" LEXNET_CARPETA_PROGRAMA='$prog' SOFTHSM2_CONF='$SOFTHSM2_CONF' PS1='\$ ' bash --norc --noprofile"
sleep 0.5
tmux send-keys -t "$sesion" "ambrel-cli descargar --desde 02/11/2026 --hasta 02/11/2026 --pin-archivo pin" Enter
# Mid-run: a document of the middle of the run on its way.
for _ in $(seq 1 600); do
    tmux capture-pane -p -t "$sesion" | grep -q 'Documento [5-8] de 12' && break
    sleep 0.05
done
texto="$(tmux capture-pane -p -t "$sesion")"
grep -q 'Documento [0-9]* de 12  \[' <<<"$texto" || { echo "No se vio la línea de avance" >&2; exit 1; }
printf '%s\n' "$texto"
convert -background '#1e1e1e' -fill '#d0d0d0' -font DejaVu-Sans-Mono -pointsize 15 \
    -bordercolor '#1e1e1e' -border 14 label:"$texto" "$raiz/docs/ambrel-progreso.png"
echo "Escrita $raiz/docs/ambrel-progreso.png"
