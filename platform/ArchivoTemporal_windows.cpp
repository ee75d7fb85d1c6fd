#include "platform/ArchivoTemporal.h"

#include <string>
#include <system_error>
#include <windows.h>

namespace {

[[noreturn]] void fallo(const std::filesystem::path& ruta) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            ruta.string());
}

} // namespace

ArchivoTemporal::ArchivoTemporal(std::filesystem::path temporal) : temporal_(std::move(temporal)) {
    HANDLE h = CreateFileW(temporal_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        fallo(temporal_);
    }
    archivo_ = reinterpret_cast<std::intptr_t>(h);
}

ArchivoTemporal::~ArchivoTemporal() {
    cerrar();
    if (!colocado_) {
        std::error_code ec;
        std::filesystem::remove(temporal_, ec);
    }
}

void ArchivoTemporal::cerrar() {
    if (archivo_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(archivo_));
        archivo_ = -1;
    }
}

void ArchivoTemporal::anadir(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t resto = bytes.size();
    while (resto > 0) {
        const DWORD pieza = resto > 0x40000000 ? 0x40000000 : static_cast<DWORD>(resto);
        DWORD escritos = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(archivo_), p, pieza, &escritos, nullptr)) {
            fallo(temporal_);
        }
        p += escritos;
        resto -= escritos;
    }
    tamano_ += bytes.size();
}

void ArchivoTemporal::colocar(const std::filesystem::path& destino) {
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(archivo_))) {
        fallo(temporal_);
    }
    cerrar();
    if (!MoveFileExW(temporal_.c_str(), destino.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fallo(destino);
    }
    colocado_ = true;
}

void anadirLineaDuradera(const std::filesystem::path& archivo, std::string_view linea) {
    HANDLE f = CreateFileW(archivo.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        fallo(archivo);
    }
    std::string texto(linea);
    LARGE_INTEGER largo{};
    char ultimo = '\n';
    DWORD leidos = 0;
    if (GetFileSizeEx(f, &largo) && largo.QuadPart > 0) {
        LARGE_INTEGER pos{};
        pos.QuadPart = largo.QuadPart - 1;
        if (SetFilePointerEx(f, pos, nullptr, FILE_BEGIN) &&
            ReadFile(f, &ultimo, 1, &leidos, nullptr) && leidos == 1 && ultimo != '\n') {
            texto.insert(texto.begin(), '\n');
        }
    }
    DWORD escritos = 0;
    const bool bien =
        WriteFile(f, texto.data(), static_cast<DWORD>(texto.size()), &escritos, nullptr) &&
        escritos == texto.size() && FlushFileBuffers(f);
    const DWORD error = GetLastError();
    CloseHandle(f);
    if (!bien) {
        SetLastError(error);
        fallo(archivo);
    }
}
