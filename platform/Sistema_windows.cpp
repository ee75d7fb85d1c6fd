#include "platform/Sistema.h"

#include <cstdlib>
#include <filesystem>
#include <shellapi.h>
#include <windows.h>

std::string carpetaDelEjecutable() {
    std::wstring ruta(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
    ruta.resize(n);
    const auto carpeta = std::filesystem::path(ruta).parent_path().u8string();
    return std::string(carpeta.begin(), carpeta.end());
}

std::string carpetaDatosDelUsuario() {
    const char* local = std::getenv("LOCALAPPDATA");
    return local ? std::string(local) : std::string();
}

bool tienePermisoEjecucion(const std::filesystem::path&) {
    return false;
}

bool sistemaDeAlmacenAmplio() {
    const DWORD version = GetVersion();
    return LOBYTE(LOWORD(version)) >= 6;
}

std::tm horaLocal() {
    const std::time_t t = std::time(nullptr);
    std::tm r{};
    localtime_s(&r, &t);
    return r;
}

std::string nombreEquipo() {
    char nombre[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD largo = sizeof nombre;
    return GetComputerNameA(nombre, &largo) ? std::string(nombre, largo) : "equipo";
}

long idProceso() {
    return static_cast<long>(GetCurrentProcessId());
}

bool procesoVivo(long id) {
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (p == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool vivo = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
    CloseHandle(p);
    return vivo;
}

namespace {

std::wstring ancho(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring r(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), r.data(), n);
    return r;
}

// One argument quoted the way the C runtime splits a command line.
std::wstring entreComillas(const std::wstring& a) {
    std::wstring r = L"\"";
    std::size_t barras = 0;
    for (const wchar_t c : a) {
        if (c == L'\\') {
            ++barras;
            continue;
        }
        r.append(c == L'"' ? barras * 2 + 1 : barras, L'\\');
        barras = 0;
        r += c;
    }
    r.append(barras * 2, L'\\');
    return r + L"\"";
}

} // namespace

std::filesystem::path buscarEnRuta(const std::string& nombre) {
    wchar_t encontrado[MAX_PATH];
    const DWORD n =
        SearchPathW(nullptr, ancho(nombre).c_str(), L".exe", MAX_PATH, encontrado, nullptr);
    return n > 0 && n < MAX_PATH ? std::filesystem::path(encontrado) : std::filesystem::path();
}

// The system's loader looks for the DLL in its own folders.
std::string moduloPkcs11(const std::string& nombre) {
    return nombre + ".dll";
}

std::error_code iniciarProceso(const std::filesystem::path& programa,
                               const std::vector<std::string>& argumentos) {
    std::filesystem::path ejecutable = programa;
    if (!programa.has_parent_path()) {
        ejecutable = buscarEnRuta(programa.string());
        if (ejecutable.empty()) {
            return std::make_error_code(std::errc::no_such_file_or_directory);
        }
    }
    std::wstring linea = entreComillas(ejecutable.wstring());
    for (const std::string& a : argumentos) {
        linea += L" " + entreComillas(ancho(a));
    }
    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION proceso{};
    if (!CreateProcessW(ejecutable.c_str(), linea.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &inicio, &proceso)) {
        return {static_cast<int>(GetLastError()), std::system_category()};
    }
    CloseHandle(proceso.hThread);
    CloseHandle(proceso.hProcess);
    return {};
}

std::error_code componerCorreo(const std::string&, const std::string&,
                               const std::vector<std::filesystem::path>&) {
    // The message is kept as a file instead.
    return std::make_error_code(std::errc::function_not_supported);
}

std::error_code abrirDireccion(const std::string& direccion) {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", ancho(direccion).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return r > 32 ? std::error_code()
                  : std::error_code(static_cast<int>(r), std::system_category());
}

std::string permisosAjenos(const std::filesystem::path&) {
    return {};
}

bool sistemaRechazaCaracteresDeWindows() {
    return true;
}

std::filesystem::path carpetaNotificacionesPorDefecto() {
    return std::filesystem::path("C:\\NOTIFICACIONES\\");
}
