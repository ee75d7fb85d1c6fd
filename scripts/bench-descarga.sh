#!/usr/bin/env bash
# Download benchmarks, side by side in one run (not part of the tests):
#  1. storing the 10,000 headers of one answer (bench_descarga; target < 1 s);
#  2. ambrel-cli downloading 200 MiB of documents from the simulator with the waits off,
#     against plain curl posting the same ObtenerBloque requests over one kept-alive TLS
#     connection to the same simulator and discarding the answers (target: our document
#     bytes per second >= 90% of curl's), with the TLS connections each side opened;
#  3. the peak resident memory of that ambrel-cli run (target: largest document + 64 MiB).
#
#   scripts/bench-descarga.sh [BIN]     BIN: the built programs (default build/bin)
#   TAM_BLOQUE=bytes  block size of the simulator (default 1048576)
#   DOCUMENTOS=n TAMANO=bytes  n documents of that size (default 4 of 52428800)
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$(cd "${1:-$raiz/build/bin}" && pwd)"
tam_bloque="${TAM_BLOQUE:-1048576}"
documentos="${DOCUMENTOS:-4}"
tamano="${TAMANO:-52428800}"

for p in curl jq /usr/bin/time; do
    command -v "$p" >/dev/null || { echo "Falta $p" >&2; exit 1; }
done
for p in ambrel-cli lexnet-sim bench_descarga QuarelLexnet_ORI.mdb; do
    [ -e "$bin/$p" ] || { echo "Falta $bin/$p: compile antes (scripts/build.sh)" >&2; exit 1; }
done

tmp="$(mktemp -d /tmp/bench-descarga.XXXXXX)"
source "$raiz/scripts/simulador.sh"
terminar() {
    parar_simulador
    [ -n "${MANTENER:-}" ] && echo "Conservado: $tmp" || rm -rf "$tmp"
}
trap terminar EXIT

echo "== 1. Cabeceras: 10.000 de una respuesta =="
"$bin/bench_descarga" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>&1 |
    grep -E "^(Grabar|CargarYGrabar)" || true

# The soft card and its certificates.
eval "$("$raiz/scripts/tarjeta-prueba.sh" "$tmp/tarjeta")"
export SOFTHSM2_CONF

# The documents: generated content, so nothing big is kept anywhere.
{
    printf '{"tamBloque": %s, "notificaciones": [' "$tam_bloque"
    for i in $(seq 1 "$documentos"); do
        [ "$i" -gt 1 ] && printf ','
        printf '{"id": "B%s", "fechaEnvio": "2026-11-02T10:00:00", "numeroProcedimiento": "%07d/2026",' "$i" "$i"
        printf ' "origen": {"clase": "organoJudicial", "dn": "CN=Juzgado %s", "nombre": "Juzgado %s"},' "$i" "$i"
        printf ' "tipoProcedimiento": {"codigo": "ORD", "texto": "Ordinario"},'
        printf ' "documentos": [{"nombre": "Documento.pdf", "generar": {"tamano": %s, "semilla": %s}}]}' "$tamano" "$i"
    done
    printf ']}\n'
} >"$tmp/datos.json"

arrancar_simulador "$tmp" "$tmp/datos.json"
url="https://127.0.0.1:$puerto/services/"

# A fresh installation of Ambrel pointed at the simulator, the waits off.
prog="$tmp/programa"
mkdir -p "$prog"
cp "$bin/QuarelLexnet_ORI.mdb" "$prog/"
export LEXNET_CARPETA_PROGRAMA="$prog"
"$bin/ambrel-cli" listar >/dev/null 2>&1
apuntar_al_simulador "$prog/Ambrel.INI"
printf '%s\n' "$LEXNET_PIN" >"$tmp/pin"
chmod 600 "$tmp/pin"

total=$((documentos * tamano))
echo
echo "== 2. Descarga de $((total / 1048576)) MiB ($documentos documentos de $((tamano / 1048576)) MiB, bloques de $((tam_bloque / 1024)) KiB) =="
${PERFIL:-} /usr/bin/time -f '%e %M %U %S' -o "$tmp/tiempo" \
    "$bin/ambrel-cli" descargar --desde 02/11/2026 --hasta 02/11/2026 --pin-archivo "$tmp/pin" \
    >"$tmp/ambrel.out" 2>"$tmp/ambrel.err" || { cat "$tmp/ambrel.err" >&2; exit 1; }
read -r segundos_ambrel rss_kib cpu_usuario cpu_sistema <"$tmp/tiempo"
guardados=$(find "$prog/DATOS/DESCARGAS" -type f -name '*.pdf' -printf '%s\n' | awk '{s+=$1} END {print s+0}')
[ "$guardados" -eq "$total" ] || { echo "Se guardaron $guardados bytes de $total" >&2; exit 1; }

# The same ObtenerBloque requests, in a session of curl's own (opened with the control
# certificate), one kept-alive connection for all of them.
peticiones_ambrel=$(wc -l <"$tmp/peticiones.log")
conexiones_ambrel=$(jq -s 'map(.conexion) | unique | length' "$tmp/peticiones.log")
jq -r 'select(.operacion == "Login") | .cuerpo' "$tmp/peticiones.log" | head -n 1 >"$tmp/login.xml"
curl -sS --cert "$LEXNET_CONTROL_CERT" --key "$LEXNET_CONTROL_CLAVE" --cacert "$LEXNET_CA" \
    -H 'Content-Type: text/xml; charset=utf-8' -H 'SOAPAction: ""' \
    --data-binary @"$tmp/login.xml" "${url}Login" >"$tmp/login.out"
sesion=$(sed -n 's/.*idSesion&gt;\([0-9][0-9]*\)&lt;.*/\1/p' "$tmp/login.out")
[ -n "$sesion" ] || { echo "curl no pudo iniciar sesión:" >&2; cat "$tmp/login.out" >&2; exit 1; }
mkdir -p "$tmp/bloques"
jq -r 'select(.operacion == "ObtenerBloque") | .cuerpo' "$tmp/peticiones.log" |
    sed "s/idSesion&gt;[0-9]*&lt;/idSesion\&gt;$sesion\&lt;/g" |
    split -l 1 -a 5 - "$tmp/bloques/b"
{
    primero=1
    for f in "$tmp/bloques"/b*; do
        [ $primero -eq 1 ] || echo "next"
        primero=0
        printf 'url = "%sObtenerBloque"\n' "$url"
        printf 'data-binary = "@%s"\n' "$f"
        printf 'header = "Content-Type: text/xml; charset=utf-8"\nheader = "SOAPAction: \\" \\""\n'
        printf 'write-out = "%%{num_connects}\\n"\n'
        printf 'cert = "%s"\nkey = "%s"\ncacert = "%s"\noutput = "/dev/null"\nsilent\n' \
            "$LEXNET_CONTROL_CERT" "$LEXNET_CONTROL_CLAVE" "$LEXNET_CA"
    done
} >"$tmp/curl.conf"
bloques=$(ls "$tmp/bloques" | wc -l)
/usr/bin/time -f '%e' -o "$tmp/tiempo-curl" curl -K "$tmp/curl.conf" >"$tmp/curl.out"
read -r segundos_curl <"$tmp/tiempo-curl"
conexiones=$(awk '{s+=$1} END {print s+0}' "$tmp/curl.out")
errores=$(tail -n +"$((peticiones_ambrel + 2))" "$tmp/peticiones.log" | jq -s 'map(select(.error)) | length')
[ "$errores" -eq 0 ] || { echo "curl recibió $errores errores" >&2; exit 1; }

awk -v t="$total" -v a="$segundos_ambrel" -v c="$segundos_curl" -v r="$rss_kib" \
    -v u="$cpu_usuario" -v s="$cpu_sistema" \
    -v d="$tamano" -v b="$bloques" -v n="$conexiones" -v na="$conexiones_ambrel" \
    -v pa="$peticiones_ambrel" 'BEGIN {
    mib = 1048576
    va = t / a / mib; vc = t / c / mib
    printf "ambrel-cli descargar (%d peticiones, %d conexión TLS) : %7.2f s  %7.1f MiB/s de documento (toda la ejecución: sesión, cabeceras, mensajes, bloques, confirmación)\n", pa, na, a, va
    printf "  (CPU de ambrel-cli: %.2f s de usuario, %.2f s de sistema)\n", u, s
    printf "curl (%d peticiones, %d conexión TLS) : %7.2f s  %7.1f MiB/s\n", b, n, c, vc
    printf "proporción           : %5.1f %% de curl (objetivo >= 90 %%)\n", 100 * va / vc
    printf "memoria máxima       : %7.1f MiB (objetivo <= %.1f MiB: documento mayor + 64 MiB)\n", r / 1024, d / mib + 64
}'
