#include "common/Sistema.h"

#include <filesystem>
#include <system_error>

std::string carpetaDelEjecutable() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path().string();
    }
    return exe.parent_path().string();
}

bool tienePermisoEjecucion(const std::filesystem::path& archivo) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::perms p = fs::status(archivo, ec).permissions();
    return !ec && (p & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) !=
                      fs::perms::none;
}

bool sistemaEsVista() {
    return false;
}

std::tm horaLocal() {
    const std::time_t t = std::time(nullptr);
    std::tm r{};
    localtime_r(&t, &r);
    return r;
}
