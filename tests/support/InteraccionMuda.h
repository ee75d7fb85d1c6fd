#pragma once

#include "core/Interaccion.h"

// A port nobody answers, for benchmarks, fuzzers and as the scripted port's base: every box
// takes Aceptar, nothing is shown, opened or started, and no PIN is given.
class InteraccionMuda : public Interaccion {
public:
    Respuesta mensaje(std::string_view, std::string_view, Icono, Botones) override {
        return Respuesta::Aceptar;
    }
    void estado(std::string_view) override {}
    void ocupado(bool) override {}
    void procesarEventos() override {}
    void terminarPrograma(int) override {}
    bool abrirArchivo(const std::filesystem::path&) override { return false; }
    bool iniciarPrograma(const std::filesystem::path&) override { return false; }
    void sesion(std::string_view) override {}
    std::optional<std::string> pedirPin(std::string_view) override { return std::nullopt; }
    void mostrarDepuracion(const ArbolRespuesta&, std::string_view) override {}
};
