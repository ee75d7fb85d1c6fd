#include "common/Sistema.h"

#include <filesystem>
#include <windows.h>

std::string carpetaDelEjecutable() {
    std::wstring ruta(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
    ruta.resize(n);
    const auto carpeta = std::filesystem::path(ruta).parent_path().u8string();
    return std::string(carpeta.begin(), carpeta.end());
}

bool tienePermisoEjecucion(const std::filesystem::path&) {
    return false;
}

bool sistemaEsVista() {
    const DWORD version = GetVersion();
    return LOBYTE(LOWORD(version)) >= 6;
}

std::tm horaLocal() {
    const std::time_t t = std::time(nullptr);
    std::tm r{};
    localtime_s(&r, &t);
    return r;
}
