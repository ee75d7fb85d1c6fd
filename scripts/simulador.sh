# The LexNET simulator for the scripts that run a program against it; sourced, not run.
# arrancar_simulador needs $bin (the built programs) and the soft card's variables
# (scripts/tarjeta-prueba.sh); it sets sim_pid and puerto.
sim_pid=""
puerto=""

# arrancar_simulador CARPETA DATOS.json [more simulator options]: starts it on a free port of
# 127.0.0.1, its output and its log of requests (peticiones.log) in CARPETA; returns 1,
# after showing the simulator's errors, when it does not start.
arrancar_simulador() {
    local carpeta=$1 datos=$2
    shift 2
    "$bin/lexnet-sim" --puerto 0 --certificado "$LEXNET_SERVIDOR_CERT" --clave "$LEXNET_SERVIDOR_CLAVE" \
        --ca "$LEXNET_CA" --datos "$datos" --registro "$carpeta/peticiones.log" "$@" \
        >"$carpeta/simulador.out" 2>"$carpeta/simulador.err" &
    sim_pid=$!
    for _ in $(seq 1 100); do
        grep -q '^PUERTO=' "$carpeta/simulador.out" 2>/dev/null && break
        sleep 0.1
    done
    puerto="$(sed -n 's/^PUERTO=//p' "$carpeta/simulador.out")"
    if [ -z "$puerto" ]; then
        echo "El simulador no arrancó:" >&2
        cat "$carpeta/simulador.err" >&2
        return 1
    fi
}

parar_simulador() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    fi
}

# apuntar_al_simulador INI: the settings file's test environment at the simulator, with the
# soft card's module and the fixed waits off.
apuntar_al_simulador() {
    printf 'URLPruebas=https://127.0.0.1:%s/services/\r\nCAServidor=%s\r\nModuloPKCS11=%s\r\nPausas=N\r\n' \
        "$puerto" "$LEXNET_CA" "$LEXNET_MODULO_PKCS11" >>"$1"
}
