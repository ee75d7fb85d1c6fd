#!/usr/bin/env bash
# Installs, with apt-get, the packages the build, the tests and the demo need and
# that are missing. Safe to run again: does nothing when everything is there.
set -euo pipefail

paquetes=(
    build-essential cmake ninja-build ccache pkg-config clang clang-format libclang-rt-14-dev
    qt6-base-dev libgl1-mesa-dev
    libsqlite3-dev sqlite3 libssl-dev libcurl4-openssl-dev libpugixml-dev libical-dev
    python3-icalendar
    libp11-dev softhsm2 opensc libengine-pkcs11-openssl p11-kit p11-kit-modules libp11-kit-dev
    libcpp-httplib-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libsystemd-dev dbus-daemon python3-dbus python3-gi
    xvfb xauth imagemagick x11-apps x11-utils curl jq time openssl util-linux bsdutils
    help2man lintian desktop-file-utils dpkg-dev fakeroot file systemd
)

faltan=()
for p in "${paquetes[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        faltan+=("$p")
    fi
done

if ((${#faltan[@]})); then
    echo "Instalando: ${faltan[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${faltan[@]}"
fi
