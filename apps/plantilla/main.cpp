// Writes the template database shipped beside the programs; the first start of either
// program copies it into the data folder.
#include "storage/Esquema.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "uso: crear-plantilla ARCHIVO\n");
        return 2;
    }
    try {
        const std::filesystem::path archivo = argv[1];
        std::filesystem::remove(archivo);
        crearPlantilla(archivo);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "crear-plantilla: %s\n", e.what());
        return 1;
    }
    return 0;
}
