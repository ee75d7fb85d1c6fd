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

bool sistemaEsVista() {
    return false;
}

std::tm horaLocal() {
    const std::time_t t = std::time(nullptr);
    std::tm r{};
    localtime_r(&t, &r);
    return r;
}
