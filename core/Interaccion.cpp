#include "core/Interaccion.h"

#include <chrono>
#include <thread>

std::string textoDeError(long numero, std::string_view descripcion, UnionError union_) {
    return "Se ha producido el error " + std::to_string(numero) +
           (union_ == UnionError::Linea ? "\r\n" : " - ") + std::string(descripcion);
}

Respuesta mostrarError(Interaccion& ui, long numero, std::string_view descripcion,
                       UnionError union_, std::string_view titulo, Icono icono) {
    return ui.mensaje(textoDeError(numero, descripcion, union_), titulo, icono, Botones::Aceptar);
}

void Esperar(int segundos, Interaccion& ui) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(segundos);
    while (std::chrono::steady_clock::now() < fin) {
        ui.procesarEventos();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
