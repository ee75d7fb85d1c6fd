#!/usr/bin/env bash
# Demo on a fresh machine: installs what is missing and builds; makes the soft smart card;
# starts the LexNET simulator on 127.0.0.1 with a few realistic notifications (courts, a
# court agent, PDF documents of a few hundred KB, one that spans several blocks); runs a
# whole download with ambrel-cli on a new, empty program folder with the waits off; prints
# the stored notifications as Ambrel lists them; stops the simulator. With a display, it
# then offers to open Ambrel on the same folder.
#
#   scripts/demo.sh            LEXNET_BIN=carpeta: use programs already built there
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ -n "${LEXNET_BIN:-}" ]; then
    bin="$(cd "$LEXNET_BIN" && pwd)"
else
    "$raiz/scripts/build.sh"
    bin="$raiz/build/bin"
fi

demo="$(mktemp -d /tmp/lexnet-demo.XXXXXX)"
source "$raiz/scripts/simulador.sh"
trap parar_simulador EXIT

# A PDF of `paginas` pages of text in Helvetica, with a court stamp (a grey image of
# `lado` x `lado` pixels) on the first page: pdf_demo ARCHIVO TITULO SUBTITULO PAGINAS LADO
pdf_demo() {
    local archivo=$1 titulo=$2 subtitulo=$3 paginas=$4 lado=$5
    local tmp="$archivo.partes"
    mkdir -p "$tmp"
    local -a offsets=()
    : >"$archivo"
    objeto() { # number, then the object's body on standard input
        offsets[$1]=$(stat -c %s "$archivo")
        { printf '%s 0 obj\n' "$1"; cat; printf '\nendobj\n'; } >>"$archivo"
    }
    printf '%%PDF-1.4\n%%\342\343\317\323\n' >"$archivo"
    local n_objetos=$((5 + 2 * paginas)) kids="" i
    for ((i = 0; i < paginas; i++)); do kids+="$((6 + 2 * i)) 0 R "; done
    # Each object is written by this shell (not a pipeline's), which keeps its offset.
    objeto 1 < <(printf '<< /Type /Catalog /Pages 2 0 R >>')
    objeto 2 < <(printf '<< /Type /Pages /Kids [ %s] /Count %s >>' "$kids" "$paginas")
    objeto 3 < <(printf '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>')
    objeto 4 < <(printf '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>')
    # The stamp: a dark ring with the grain of a scanned page.
    LC_ALL=C awk -v l="$lado" 'BEGIN {
        c = l / 2; s = 12345
        for (y = 0; y < l; y++) for (x = 0; x < l; x++) {
            d = sqrt((x - c) ^ 2 + (y - c) ^ 2) / c
            v = (d > 0.78 && d < 0.92) || (d < 0.55 && (y % 18) < 3 && d > 0.2) ? 70 : 246
            s = (s * 1103515245 + 12345) % 2147483648
            v += int(s / 2147483648 * 14) - 7
            printf "%c", (v < 1 ? 1 : (v > 255 ? 255 : v))
        } }' >"$tmp/sello"
    objeto 5 < <(printf '<< /Type /XObject /Subtype /Image /Width %s /Height %s /ColorSpace /DeviceGray /BitsPerComponent 8 /Length %s >>\nstream\n' \
        "$lado" "$lado" "$(stat -c %s "$tmp/sello")"
      cat "$tmp/sello"; printf '\nendstream')
    local frases=(
        "Vistos los autos por el Magistrado-Juez que suscribe, y atendidos los siguientes"
        "antecedentes de hecho y fundamentos de derecho, procede dictar la presente resolución."
        "La parte actora presentó demanda en la que, tras alegar los hechos y fundamentos que"
        "estimó de aplicación, terminaba suplicando que se dictara sentencia de conformidad."
        "Admitida a trámite la demanda, se dio traslado de la misma a la parte demandada, que"
        "compareció en tiempo y forma, oponiéndose a las pretensiones deducidas de contrario."
        "Convocadas las partes a la audiencia previa, se ratificaron en sus escritos y se"
        "propusieron las pruebas que constan en autos, que fueron admitidas por ser pertinentes."
        "Practicada la prueba en el acto del juicio con el resultado que obra en la grabación,"
        "quedaron los autos conclusos para dictar sentencia tras el trámite de conclusiones."
        "En la tramitación de este procedimiento se han observado las prescripciones legales."
        "Contra esta resolución cabe recurso en el plazo de veinte días desde su notificación."
    )
    for ((i = 0; i < paginas; i++)); do
        {
            printf 'BT\n/F2 13 Tf 60 790 Td (%s) Tj\n' "$titulo"
            printf '/F1 10 Tf 0 -18 Td (%s) Tj\n' "$subtitulo"
            printf '0 -14 Td (Página %s de %s) Tj\n' "$((i + 1))" "$paginas"
            printf '/F1 10.5 Tf 14 TL 0 -30 Td\n'
            # The first page leaves room for the stamp.
            local linea lineas=$((i == 0 ? 36 : 48))
            for ((linea = 0; linea < lineas; linea++)); do
                printf '(%s) Tj T*\n' "${frases[$(((linea + i * 5) % ${#frases[@]}))]}"
            done
            printf 'ET\n'
            if [ "$i" -eq 0 ]; then printf 'q 150 0 0 150 400 40 cm /Im1 Do Q\n'; fi
        } | iconv -f UTF-8 -t WINDOWS-1252 >"$tmp/contenido"
        objeto $((6 + 2 * i)) < <(printf '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> /XObject << /Im1 5 0 R >> >> /Contents %s 0 R >>' \
            "$((7 + 2 * i))")
        objeto $((7 + 2 * i)) < <(printf '<< /Length %s >>\nstream\n' "$(stat -c %s "$tmp/contenido")"
          cat "$tmp/contenido"; printf '\nendstream')
    done
    local xref
    xref=$(stat -c %s "$archivo")
    {
        printf 'xref\n0 %s\n0000000000 65535 f \n' "$((n_objetos + 1))"
        for ((i = 1; i <= n_objetos; i++)); do printf '%010d 00000 n \n' "${offsets[$i]}"; done
        printf 'trailer\n<< /Size %s /Root 1 0 R >>\nstartxref\n%s\n%%%%EOF\n' "$((n_objetos + 1))" "$xref"
    } >>"$archivo"
    rm -rf "$tmp"
}

echo "== Documentos de las notificaciones de prueba =="
datos="$demo/simulador"
mkdir -p "$datos/documentos"
cp "$raiz/tools/lexnet-sim/fixtures/demo.json" "$datos/"
d="$datos/documentos"
pdf_demo "$d/cedula-0412.pdf" "CÉDULA DE NOTIFICACIÓN" "Juzgado de Primera Instancia nº 3 de Madrid - Procedimiento ordinario 412/2026" 2 440
pdf_demo "$d/sentencia-0412.pdf" "SENTENCIA Nº 231/2026" "Juzgado de Primera Instancia nº 3 de Madrid - Procedimiento ordinario 412/2026" 24 300
pdf_demo "$d/cedula-0187.pdf" "CÉDULA DE CITACIÓN" "Juzgado de lo Social nº 2 de Valencia - Despido 187/2026" 2 400
pdf_demo "$d/decreto-0187.pdf" "DECRETO" "Juzgado de lo Social nº 2 de Valencia - Despido 187/2026" 8 420
pdf_demo "$d/escrito-0998.pdf" "ESCRITO DE CONTESTACIÓN A LA DEMANDA" "Procuradora María Ruiz Serrano - Juicio verbal 998/2025" 30 200
pdf_demo "$d/documentos-0998.pdf" "DOCUMENTOS QUE SE ACOMPAÑAN" "Procuradora María Ruiz Serrano - Juicio verbal 998/2025" 120 1000
pdf_demo "$d/diligencia-0075.pdf" "DILIGENCIA DE ORDENACIÓN" "Juzgado de Primera Instancia nº 11 de Madrid - Ejecución 75/2026" 3 380
ls -l "$d" | awk 'NR > 1 {printf "  %8d  %s\n", $5, $9}'

echo
echo "== Tarjeta criptográfica de prueba (SoftHSM2) y simulador de LexNET =="
eval "$("$raiz/scripts/tarjeta-prueba.sh" "$demo/tarjeta")"
export SOFTHSM2_CONF
arrancar_simulador "$demo" "$datos/demo.json"
echo "Simulador en https://127.0.0.1:$puerto/services/"

carpeta="$demo/LexNET"
mkdir -p "$carpeta"
cp "$bin/QuarelLexnet_ORI.mdb" "$carpeta/"
export LEXNET_CARPETA_PROGRAMA="$carpeta"
echo
echo "== Primer arranque en $carpeta =="
"$bin/ambrel-cli" listar || true
# The test environment points at the simulator; the fixed waits are off.
apuntar_al_simulador "$carpeta/Ambrel.INI"
printf '%s\n' "$LEXNET_PIN" >"$demo/pin"
chmod 600 "$demo/pin"

echo
echo "== ambrel-cli descargar --desde 23/11/2026 --hasta 27/11/2026 =="
estado=0
"$bin/ambrel-cli" descargar --desde 23/11/2026 --hasta 27/11/2026 --pin-archivo "$demo/pin" || estado=$?
echo "Estado de salida: $estado"

echo
echo "== ambrel-cli listar =="
"$bin/ambrel-cli" listar
echo
echo "== Documentos descargados en $carpeta/DATOS/DESCARGAS =="
ls -l "$carpeta/DATOS/DESCARGAS" | awk 'NR > 1 {printf "  %8d  %s\n", $5, $9}'
echo
echo "Peticiones recibidas por el simulador: $(wc -l <"$demo/peticiones.log") ($demo/peticiones.log)"
parar_simulador

# The term the most recent notification opens, counted and kept, then the deadlines list.
reciente="$(sqlite3 "$carpeta/DATOS/QUARELLEXNET.MDB" \
    "SELECT IdLexNet FROM Cabecera ORDER BY FechaEnvio DESC LIMIT 1")"
echo
echo "== ambrel-cli plazo $reciente 20 --guardar =="
"$bin/ambrel-cli" plazo "$reciente" 20 --guardar --nota "Contestación (demostración)"
echo
echo "== ambrel-cli vencimientos --dias 60 =="
"$bin/ambrel-cli" vencimientos --dias 60

if [ -n "${DISPLAY:-}" ] && [ -t 0 ] && [ -x "$bin/ambrel" ]; then
    read -r -p "¿Abrir Ambrel sobre esta carpeta? [s/N] " r
    if [[ "$r" =~ ^[sS]$ ]]; then "$bin/ambrel" "##LEER"; fi
fi
