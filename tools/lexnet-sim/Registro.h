#pragma once

#include "tools/lexnet-sim/Datos.h"

#include <filesystem>
#include <fstream>
#include <mutex>

// The requests received, one JSON object per line, numbered from 1 in the order written.
class Registro {
public:
    explicit Registro(const std::filesystem::path& archivo);
    // Adds "n" and writes the line at once, so a reader sees it as soon as this returns.
    void anotar(Json linea);

private:
    std::mutex mutex_;
    std::ofstream archivo_;
    long numero_ = 0;
};

// Local time now as yyyy-mm-ddThh:mm:ss.mmm+hh:mm.
std::string horaIso();
