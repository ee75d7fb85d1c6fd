#pragma once

#include "protocol/ArbolRespuesta.h"
#include "tests/support/InteraccionMuda.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Scripted interaction port for tests: records what the tests check and answers message
// boxes from a queue (the first button when the queue is empty).
class InteraccionGuionada : public InteraccionMuda {
public:
    struct Mensaje {
        std::string texto;
        std::string titulo;
        Icono icono;
        Botones botones;
    };

    Respuesta mensaje(std::string_view texto, std::string_view titulo, Icono icono,
                      Botones botones) override {
        mensajes.push_back({std::string(texto), std::string(titulo), icono, botones});
        if (alMostrar) {
            alMostrar(mensajes.back());
        }
        if (!respuestas.empty()) {
            const Respuesta r = respuestas.front();
            respuestas.pop_front();
            return r;
        }
        return botones == Botones::SiNo || botones == Botones::SiNoCancelar ? Respuesta::Si
               : botones == Botones::ReintentarCancelar                     ? Respuesta::Reintentar
                                                                            : Respuesta::Aceptar;
    }
    void estado(std::string_view texto) override {
        estados.emplace_back(texto);
        if (alEstado) {
            alEstado(estados.back());
        }
    }
    void terminarPrograma(int codigo) override { terminaciones.push_back(codigo); }
    bool abrirArchivo(const std::filesystem::path& archivo) override {
        archivosAbiertos.push_back(archivo);
        return true;
    }
    bool iniciarPrograma(const std::filesystem::path& programa) override {
        programasIniciados.push_back(programa);
        return true;
    }
    void sesion(std::string_view texto) override { sesiones.emplace_back(texto); }
    std::optional<std::string> pedirPin(std::string_view tarjeta) override {
        tarjetasPin.emplace_back(tarjeta);
        if (pines.empty()) {
            return std::nullopt;
        }
        const std::optional<std::string> pin = pines.front();
        pines.pop_front();
        return pin;
    }

    std::deque<Respuesta> respuestas; // for the next message boxes, in order
    // Run while each message box is up, as the user would be reading it.
    std::function<void(const Mensaje&)> alMostrar;
    std::function<void(const std::string&)> alEstado; // run on each status-panel text
    std::deque<std::optional<std::string>> pines;     // for the next requests; nullopt cancels

    std::vector<Mensaje> mensajes;
    std::vector<std::string> estados; // status-panel texts, in order
    std::vector<int> terminaciones;
    std::vector<std::filesystem::path> archivosAbiertos;
    std::vector<std::filesystem::path> programasIniciados;
    std::vector<std::string> sesiones;
    std::vector<std::string> tarjetasPin;
};
