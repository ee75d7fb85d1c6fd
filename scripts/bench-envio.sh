#!/usr/bin/env bash
# Send benchmarks, side by side in one run (not part of the tests):
#  1. composing and signing a writ of 30 MB in six documents with the card (bench_envio):
#     time, and peak memory against the documents' size (target: peak < 2 x documents);
#  2. corvane-cli sending that writ to the simulator: the whole run's time and peak memory,
#     and the upload's bytes per second (first EnviarBloque to the logout that follows the
#     last, from the simulator's log) against plain curl posting the same EnviarBloque
#     requests over one kept-alive TLS connection in a session of its own (target: >= 90 %
#     of curl's bytes per second).
#
#   scripts/bench-envio.sh [BIN]       BIN: the built programs (default build/bin)
#   TAM_BLOQUE=bytes  upload block size of the simulator (default 1048576)
#   DOCUMENTOS=n TAMANO=bytes  n documents of that size (default 6 of 5242880)
set -euo pipefail
raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$(cd "${1:-$raiz/build/bin}" && pwd)"
tam_bloque="${TAM_BLOQUE:-1048576}"
documentos="${DOCUMENTOS:-6}"
tamano="${TAMANO:-5242880}"

for p in curl jq sqlite3 /usr/bin/time; do
    command -v "$p" >/dev/null || { echo "Falta $p" >&2; exit 1; }
done
for p in corvane-cli lexnet-sim bench_envio QuarelLexnet_ORI.mdb; do
    [ -e "$bin/$p" ] || { echo "Falta $bin/$p: compile antes (scripts/build.sh)" >&2; exit 1; }
done

tmp="$(mktemp -d /tmp/bench-envio.XXXXXX)"
source "$raiz/scripts/simulador.sh"
terminar() {
    parar_simulador
    [ -n "${MANTENER:-}" ] && echo "Conservado: $tmp" || rm -rf "$tmp"
}
trap terminar EXIT

# The soft card and its certificates.
eval "$("$raiz/scripts/tarjeta-prueba.sh" "$tmp/tarjeta")"
export SOFTHSM2_CONF LEXNET_MODULO_PKCS11 LEXNET_PIN

echo "== 1. Componer y firmar un escrito de 30 MB en seis documentos =="
"$bin/bench_envio" 2>&1 | grep -E "^ComponerYFirmar" || true

cat >"$tmp/datos.json" <<JSON
{"tamBloqueEnvio": $tam_bloque, "tiposProcedimiento": [{"codigo": "ORD", "texto": "Ordinario"}],
 "destinatarios": [{"clase": "organoJudicial", "codigoPoblacion": "28079", "tipoOrgano": "02",
   "numeroOrgano": "5", "dn": "CN=Juzgado 5", "nombre": "Juzgado 5"}]}
JSON
arrancar_simulador "$tmp" "$tmp/datos.json" --envios "$tmp/envios"
url="https://127.0.0.1:$puerto/services/"

# A fresh installation of Corvane pointed at the simulator, with one writ of the documents.
prog="$tmp/programa"
mkdir -p "$prog"
cp "$bin/QuarelLexnet_ORI.mdb" "$prog/"
export LEXNET_CARPETA_PROGRAMA="$prog"
"$bin/corvane-cli" listar >/dev/null 2>&1
printf 'URLPruebas=%s\r\nCAServidor=%s\r\nModuloPKCS11=%s\r\n' \
    "$url" "$LEXNET_CA" "$LEXNET_MODULO_PKCS11" >>"$prog/Ambrel.INI"
printf '%s\n' "$LEXNET_PIN" >"$tmp/pin"
chmod 600 "$tmp/pin"
envios="$prog/DATOS/ENVIOS"
{
    echo "INSERT INTO TipoProcedimiento VALUES ('ORD', 'Ordinario', 0);"
    echo "INSERT INTO OrigenDestino (codPartidoJudicial, tipoOrgano, numeroOrgano, dn, nombre)"
    echo "  VALUES ('28079', '02', '5', 'CN=Juzgado 5', 'Juzgado 5');"
    echo "INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, TipoProcedimiento,"
    echo "  Destinatario, Adjunto, FechaGen)"
    echo "  VALUES ('1/2026', 'BENCH', 'ORD', '2807902005', 'D1.pdf', '2026-12-01 10:00:00');"
    for i in $(seq 2 "$documentos"); do
        echo "INSERT INTO MensajeAdjunto VALUES (1, 'D$i.pdf');"
    done
} | sqlite3 "$prog/DATOS/QUARELLEXNET.MDB"
for i in $(seq 1 "$documentos"); do
    head -c "$tamano" /dev/urandom >"$envios/D$i.pdf"
done

total=$((documentos * tamano))
echo
echo "== 2. Envío de un escrito de $((total / 1048576)) MiB ($documentos documentos, bloques de $((tam_bloque / 1024)) KiB) =="
${PERFIL:-} /usr/bin/time -f '%e %M %U %S' -o "$tmp/tiempo" \
    "$bin/corvane-cli" enviar --pin-archivo "$tmp/pin" \
    >"$tmp/corvane.out" 2>"$tmp/corvane.err" || { cat "$tmp/corvane.err" >&2; exit 1; }
read -r segundos_corvane rss_kib cpu_usuario cpu_sistema <"$tmp/tiempo"
# The S/MIME message as the simulator put it together from the uploaded blocks (the run's
# own message file is named after its process and is gone once it ends).
mensaje=$(stat -c %s "$tmp/envios/"*.eml)

# The upload: from the first EnviarBloque read to the request after the last one (the logout).
segundos_subida=$(jq -rs '
    def t: .hora as $h | ($h[0:19] + "Z" | fromdateiso8601) + ($h[20:23] | tonumber) / 1000;
    (map(select(.operacion == "EnviarBloque")) | first | t) as $a |
    (map(select(.operacion == "Logout")) | last | t) as $b | $b - $a' "$tmp/peticiones.log")

# The same EnviarBloque requests in curl's own session (control certificate), announced
# again with the recorded EnviarMensaje, one kept-alive connection for all of them.
peticiones_corvane=$(wc -l <"$tmp/peticiones.log")
jq -r 'select(.operacion == "Login") | .cuerpo' "$tmp/peticiones.log" | head -n 1 >"$tmp/login.xml"
curl -sS --cert "$LEXNET_CONTROL_CERT" --key "$LEXNET_CONTROL_CLAVE" --cacert "$LEXNET_CA" \
    -H 'Content-Type: text/xml; charset=utf-8' -H 'SOAPAction: " "' \
    --data-binary @"$tmp/login.xml" "${url}Login" >"$tmp/login.out"
sesion=$(sed -n 's/.*idSesion&gt;\([0-9][0-9]*\)&lt;.*/\1/p' "$tmp/login.out")
[ -n "$sesion" ] || { echo "curl no pudo iniciar sesión:" >&2; cat "$tmp/login.out" >&2; exit 1; }
jq -r 'select(.operacion == "EnviarMensaje") | .cuerpo' "$tmp/peticiones.log" | head -n 1 |
    sed "s/idSesion&gt;[0-9]*&lt;/idSesion\&gt;$sesion\&lt;/" >"$tmp/mensaje.xml"
curl -sS --cert "$LEXNET_CONTROL_CERT" --key "$LEXNET_CONTROL_CLAVE" --cacert "$LEXNET_CA" \
    -H 'Content-Type: text/xml; charset=utf-8' -H 'SOAPAction: " "' \
    --data-binary @"$tmp/mensaje.xml" "${url}EnviarMensaje" >"$tmp/mensaje.out"
id_envio=$(sed -n 's/.*idEnvio&gt;\([0-9][0-9]*\)&lt;.*/\1/p' "$tmp/mensaje.out")
[ -n "$id_envio" ] || { echo "curl no pudo anunciar el escrito:" >&2; cat "$tmp/mensaje.out" >&2; exit 1; }
mkdir -p "$tmp/bloques"
# Each request ends with a NUL: the Base64 inside holds line breaks.
jq -j 'select(.operacion == "EnviarBloque") | .cuerpo + "\u0000"' "$tmp/peticiones.log" |
    sed -z -e "s/idSesion&gt;[0-9]*&lt;/idSesion\&gt;$sesion\&lt;/" \
        -e "s/idEnvio&gt;[0-9]*&lt;/idEnvio\&gt;$id_envio\&lt;/" |
    split -t '\0' -l 1 -a 5 - "$tmp/bloques/b"
# split keeps each NUL: drop it.
for f in "$tmp/bloques"/b*; do truncate -s -1 "$f"; done
{
    primero=1
    for f in "$tmp/bloques"/b*; do
        [ $primero -eq 1 ] || echo "next"
        primero=0
        printf 'url = "%sEnviarBloque"\n' "$url"
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
# Signed by the card, the message is not curl's session's: only its last block is refused.
errores=$(tail -n +"$((peticiones_corvane + 3))" "$tmp/peticiones.log" |
    jq -s 'map(select(.error and .error.codigo != "FIRMA_NO_VALIDA")) | length')
[ "$errores" -eq 0 ] || { echo "curl recibió $errores errores" >&2; exit 1; }

awk -v t="$total" -v m="$mensaje" -v a="$segundos_corvane" -v s="$segundos_subida" \
    -v c="$segundos_curl" -v r="$rss_kib" -v u="$cpu_usuario" -v y="$cpu_sistema" \
    -v b="$bloques" -v n="$conexiones" 'BEGIN {
    mib = 1048576
    vs = m / s / mib; vc = m / c / mib
    printf "corvane-cli enviar   : %7.2f s en total (sesión, anuncio, firma, subida, acuse)\n", a
    printf "  (CPU de corvane-cli: %.2f s de usuario, %.2f s de sistema)\n", u, y
    printf "subida del mensaje   : %7.2f s  %7.1f MiB/s (%.1f MiB de mensaje S/MIME)\n", s, vs, m / mib
    printf "curl (%d peticiones, %d conexión) : %7.2f s  %7.1f MiB/s\n", b, n, c, vc
    printf "proporción           : %5.1f %% de curl (objetivo >= 90 %%)\n", 100 * vs / vc
    printf "memoria máxima       : %7.1f MiB (objetivo < %.1f MiB: 2 x documentos)\n", r / 1024, 2 * t / mib
}'
