#!/usr/bin/env bash
# Test equipment: builds in CARPETA a test certification authority, a SoftHSM2 token
# "Tarjeta LexNET" (user PIN 1234, SO PIN 12345678) whose signing key is generated on the
# token and never leaves it, the user's certificate stored on the token, a server
# certificate for 127.0.0.1, a file certificate "control" (client and S/MIME signing) for
# the simulator's control endpoint and its own tests, and a second, unrelated authority
# with its own client and server certificates.
# Safe to run again: when CARPETA/listo holds this script's fingerprint and the token still
# takes a login and holds its certificate and private key, it only prints the environment;
# otherwise it builds the folder afresh. Several processes may run it on the same folder at
# once. CARPETA/tokens-limpio keeps a copy of the token that no card library ever opens,
# from which each test process makes a card of its own.
#
#   eval "$(scripts/tarjeta-prueba.sh /tmp/tarjeta)"
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "Uso: $0 CARPETA" >&2
    exit 2
fi

modulo=/usr/lib/softhsm/libsofthsm2.so
token="Tarjeta LexNET"
pin=1234
pin_so=12345678
dias=3650

mkdir -p "$1"
carpeta="$(cd "$1" && pwd)"
huella="$(sha256sum "${BASH_SOURCE[0]}" | cut -d' ' -f1)"

imprimir_entorno() {
    local c=$carpeta
    printf '%s=%q\n' \
        SOFTHSM2_CONF "$c/softhsm2.conf" \
        LEXNET_MODULO_PKCS11 "$modulo" \
        LEXNET_TOKEN "$token" \
        LEXNET_PIN "$pin" \
        LEXNET_CA "$c/ca.pem" \
        LEXNET_USUARIO_CERT "$c/usuario.pem" \
        LEXNET_SERVIDOR_CERT "$c/servidor.pem" \
        LEXNET_SERVIDOR_CLAVE "$c/servidor.key" \
        LEXNET_CONTROL_CERT "$c/control.pem" \
        LEXNET_CONTROL_CLAVE "$c/control.key" \
        LEXNET_AJENA_CA "$c/ajena-ca.pem" \
        LEXNET_AJENO_CERT "$c/ajeno.pem" \
        LEXNET_AJENO_CLAVE "$c/ajeno.key" \
        LEXNET_SERVIDOR_AJENO_CERT "$c/servidor-ajeno.pem" \
        LEXNET_SERVIDOR_AJENO_CLAVE "$c/servidor-ajeno.key"
}

# Made by this version of the script, with its untouched copy of the token, and the token
# still answers: a process killed while the card library rewrote the token's files can
# leave it empty.
esta_listo() {
    [ -f "$carpeta/listo" ] && [ "$(cat "$carpeta/listo")" = "$huella" ] &&
        [ -d "$carpeta/tokens-limpio" ] || return 1
    local objetos
    objetos="$(SOFTHSM2_CONF="$carpeta/softhsm2.conf" pkcs11-tool --module "$modulo" \
        --token-label "$token" --login --pin "$pin" --list-objects 2>/dev/null)" || return 1
    grep -q '^Certificate Object' <<<"$objetos" && grep -q '^Private Key Object' <<<"$objetos"
}

for programa in openssl softhsm2-util pkcs11-tool flock; do
    if ! command -v "$programa" >/dev/null; then
        echo "Falta el programa $programa (scripts/instalar.sh lo instala)" >&2
        exit 1
    fi
done
# In OpenSSL's engine folder, that of its own processor.
motor="$(openssl version -e | sed -n 's/^ENGINESDIR: "\(.*\)"$/\1/p')/pkcs11.so"
for archivo in "$modulo" "$motor"; do
    if [ ! -f "$archivo" ]; then
        echo "Falta $archivo (scripts/instalar.sh lo instala)" >&2
        exit 1
    fi
done

# One process at a time: a login rewrites the token's files, and another process reading
# them meanwhile finds no token. One process builds; the others wait for it and then find
# the folder ready.
exec 9>"$carpeta/.cerrojo"
flock 9
if esta_listo; then
    imprimir_entorno
    exit 0
fi

# A folder left half-made (or made by another version of this script) starts afresh.
find "$carpeta" -mindepth 1 -maxdepth 1 ! -name .cerrojo -exec rm -rf {} +
trabajo="$carpeta/trabajo"
mkdir -p "$trabajo" "$carpeta/tokens"
registro="$trabajo/salida.log"

fallo() {
    echo "tarjeta-prueba.sh: falló: $1" >&2
    cat "$registro" >&2 || true
    exit 1
}

cat >"$trabajo/extensiones.cnf" <<'EOF'
[req]
distinguished_name = nombre
[nombre]

[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[usuario]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation, keyEncipherment
extendedKeyUsage = clientAuth, emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[cliente]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation, keyEncipherment
extendedKeyUsage = clientAuth, emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[servidor]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF

clave_ec() { # file
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" >>"$registro" 2>&1
}

autoridad() { # name, CN
    clave_ec "$carpeta/$1.key" || fallo "clave de $2"
    openssl req -new -x509 -key "$carpeta/$1.key" -subj "/C=ES/O=Pruebas LexNET/CN=$2" \
        -days "$dias" -sha256 -config "$trabajo/extensiones.cnf" -extensions ca \
        -out "$carpeta/$1.pem" >>"$registro" 2>&1 || fallo "autoridad $2"
}

# Signs a request with an authority: csr, authority, extension section, output.
emitir() {
    openssl x509 -req -in "$1" -CA "$carpeta/$2.pem" -CAkey "$carpeta/$2.key" \
        -set_serial "0x$(openssl rand -hex 8)" -days "$dias" -sha256 \
        -extfile "$trabajo/extensiones.cnf" -extensions "$3" -out "$4" >>"$registro" 2>&1 ||
        fallo "emitir $4"
}

# Key and certificate in files: name, subject, authority, extension section.
certificado_archivo() {
    clave_ec "$carpeta/$1.key" || fallo "clave de $1"
    openssl req -new -key "$carpeta/$1.key" -subj "$2" -config "$trabajo/extensiones.cnf" \
        -out "$trabajo/$1.csr" >>"$registro" 2>&1 || fallo "petición de $1"
    emitir "$trabajo/$1.csr" "$3" "$4" "$carpeta/$1.pem"
}

# Authorities and file certificates.
autoridad ca "Autoridad de Pruebas LexNET"
autoridad ajena-ca "Autoridad Ajena de Pruebas"
certificado_archivo servidor "/C=ES/O=Pruebas LexNET/CN=localhost" ca servidor
certificado_archivo control "/C=ES/O=Pruebas LexNET/CN=Control del simulador" ca cliente
certificado_archivo ajeno "/C=ES/O=Otra entidad/CN=Cliente ajeno" ajena-ca cliente
certificado_archivo servidor-ajeno "/C=ES/O=Otra entidad/CN=localhost" ajena-ca servidor

# The token.
cat >"$carpeta/softhsm2.conf" <<EOF
directories.tokendir = $carpeta/tokens
objectstore.backend = file
log.level = ERROR
slots.removable = false
EOF
export SOFTHSM2_CONF="$carpeta/softhsm2.conf"

softhsm2-util --init-token --free --label "$token" --pin "$pin" --so-pin "$pin_so" \
    >>"$registro" 2>&1 || fallo "crear el token"
pkcs11=(pkcs11-tool --module "$modulo" --token-label "$token" --login --pin "$pin")
"${pkcs11[@]}" --keypairgen --key-type rsa:2048 --id 01 --label Firma \
    >>"$registro" 2>&1 || fallo "generar la clave en el token"

# The request is signed by the key on the token, through the PKCS#11 engine.
cat >"$trabajo/openssl-pkcs11.cnf" <<EOF
openssl_conf = inicio
[inicio]
engines = motores
[motores]
pkcs11 = motor_pkcs11
[motor_pkcs11]
engine_id = pkcs11
dynamic_path = $motor
MODULE_PATH = $modulo
init = 0
[req]
distinguished_name = nombre
[nombre]
EOF
uri="pkcs11:token=Tarjeta%20LexNET;object=Firma;type=private;pin-value=$pin"
OPENSSL_CONF="$trabajo/openssl-pkcs11.cnf" openssl req -new -engine pkcs11 -keyform engine \
    -key "$uri" -sha256 \
    -subj "/C=ES/serialNumber=12345678Z/CN=PEREZ GARCIA JUAN - 12345678Z" \
    -out "$trabajo/usuario.csr" >>"$registro" 2>&1 || fallo "petición firmada en el token"
openssl req -in "$trabajo/usuario.csr" -verify -noout >>"$registro" 2>&1 ||
    fallo "la petición del token no verifica"
emitir "$trabajo/usuario.csr" ca usuario "$carpeta/usuario.pem"
openssl x509 -in "$carpeta/usuario.pem" -outform DER -out "$trabajo/usuario.der"
"${pkcs11[@]}" --write-object "$trabajo/usuario.der" --type cert --id 01 --label Firma \
    >>"$registro" 2>&1 || fallo "guardar el certificado en el token"

rm -f "$trabajo"/*.csr
cp -a "$carpeta/tokens" "$carpeta/tokens-limpio"
echo "$huella" >"$carpeta/listo"
imprimir_entorno
