#!/usr/bin/env bash
# Checks the Debian package as an office would meet it, without installing it: builds it,
# unpacks it into a temporary root, and from there, with a temporary HOME, runs both
# command-line programs' help, a first start (its data must appear under the HOME's data
# folder and nothing beside the programs) and one download against the LexNET simulator
# with the soft card; then runs lintian, desktop-file-validate and systemd-analyze verify.
# Prints the package's file list and lintian's output. Exits non-zero on the first fault.
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="$("$raiz/scripts/paquete.sh" | tail -n 1)"
bin="$raiz/build/bin"

tmp="$(mktemp -d /tmp/prueba-paquete.XXXXXX)"
source "$raiz/scripts/simulador.sh"
terminar() {
    parar_simulador
    rm -rf "$tmp"
}
trap terminar EXIT
falla() { echo "prueba-paquete: $*" >&2; exit 1; }

echo "== Contenido de $(basename "$deb") =="
dpkg-deb -c "$deb" | awk '{print $1, $6}'
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

raizPaquete="$tmp/raiz"
dpkg-deb -x "$deb" "$raizPaquete"
antes="$(cd "$raizPaquete" && find . | sort)"

# An office user who has never run the programs.
export HOME="$tmp/casa"
mkdir -p "$HOME"
unset XDG_DATA_HOME LEXNET_CARPETA_PROGRAMA
datos="$HOME/.local/share/ambrel-corvane"
for programa in ambrel-cli corvane-cli; do
    "$raizPaquete/usr/bin/$programa" --help | grep -q "^Uso: $programa ORDEN" ||
        falla "$programa --help no muestra la ayuda"
done
"$raizPaquete/usr/bin/ambrel-cli" listar 2>"$tmp/errores" || falla "el primer arranque falló: $(cat "$tmp/errores")"
for archivo in Ambrel.INI DATOS/QUARELLEXNET.MDB DATOS/DESCARGAS; do
    [ -e "$datos/$archivo" ] || falla "el primer arranque no creó $datos/$archivo"
done
[ "$antes" = "$(cd "$raizPaquete" && find . | sort)" ] ||
    falla "el primer arranque escribió junto a los programas"
echo "Primer arranque: datos en $datos"

# One download against the simulator with the soft card.
eval "$("$raiz/scripts/tarjeta-prueba.sh" "$tmp/tarjeta")"
export SOFTHSM2_CONF
arrancar_simulador "$tmp" "$raiz/tools/lexnet-sim/fixtures/ejemplo.json" || falla "el simulador no arrancó"
apuntar_al_simulador "$datos/Ambrel.INI"
mkdir -p "$HOME/.config/ambrel-corvane"
printf '%s\n' "$LEXNET_PIN" >"$HOME/.config/ambrel-corvane/pin"
chmod 600 "$HOME/.config/ambrel-corvane/pin"
"$raizPaquete/usr/bin/ambrel-cli" descargar --desde 01/03/2024 --hasta 31/03/2024 \
    --pin-archivo "$HOME/.config/ambrel-corvane/pin" >"$tmp/descarga" 2>&1 ||
    falla "la descarga falló: $(cat "$tmp/descarga")"
grep -q '^Notificaciones confirmadas: 2$' "$tmp/descarga" || falla "descarga incompleta: $(cat "$tmp/descarga")"
[ "$(find "$datos/DATOS/DESCARGAS" -type f | wc -l)" -gt 0 ] || falla "no hay documentos descargados"
echo "Descarga: $(tr '\n' ' ' <"$tmp/descarga")"

# The timer's own command, as systemd hands it to the shell ("$$" and "%%" unescaped): with
# the PIN file where the README puts it, it must run (nothing is pending in its 30 days).
unidad="$raizPaquete/usr/lib/systemd/user/ambrel-descarga.service"
orden="$(sed -n '/^ExecStart=/,/[^\\]$/p' "$unidad" | sed 's/^ExecStart=//; s/\\$//' | tr -d '\n' |
    sed "s/\\\$\\\$/\\$/g; s/%%/%/g; s|/usr/bin/|$raizPaquete/usr/bin/|g")"
eval "$orden" >"$tmp/temporizador" 2>&1 || falla "la orden del temporizador falló: $orden: $(cat "$tmp/temporizador")"
grep -q '^Documentos descargados: 0$' "$tmp/temporizador" || falla "la orden del temporizador: $(cat "$tmp/temporizador")"
echo "Orden del temporizador: $(tr '\n' ' ' <"$tmp/temporizador")"

echo "== lintian =="
# Run as root here (CI), lintian wants to be told it may.
lintian --allow-root --info --display-info "$deb" | tee "$tmp/lintian" || true
if grep -q '^E: ' "$tmp/lintian"; then falla "lintian informa de errores"; fi

echo "== desktop-file-validate =="
for entrada in "$raizPaquete"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entrada" || falla "$(basename "$entrada") no es válida"
    echo "$(basename "$entrada"): válida"
done

if command -v systemd-analyze >/dev/null; then
    echo "== systemd-analyze verify =="
    # The units name /usr/bin/ambrel-cli: verify them against the unpacked root's copy.
    mkdir -p "$tmp/unidades"
    for unidad in "$raizPaquete"/usr/lib/systemd/user/*; do
        sed "s|/usr/bin/|$raizPaquete/usr/bin/|g" "$unidad" >"$tmp/unidades/$(basename "$unidad")"
    done
    # A user manager wants its runtime folder; the manual page the units name is the package's.
    mkdir -m 700 "$tmp/run"
    XDG_RUNTIME_DIR="$tmp/run" MANPATH="$raizPaquete/usr/share/man" \
        systemd-analyze verify --user "$tmp"/unidades/* || falla "systemd-analyze rechaza las unidades"
    echo "unidades válidas"
fi
echo "prueba-paquete: bien"
