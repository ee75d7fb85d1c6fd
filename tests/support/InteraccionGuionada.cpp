#include "tests/support/InteraccionGuionada.h"

#include "common/ArbolRespuesta.h"

namespace {

Respuesta primerBoton(Botones botones) {
    switch (botones) {
    case Botones::SiNo:
    case Botones::SiNoCancelar:
        return Respuesta::Si;
    case Botones::ReintentarCancelar:
        return Respuesta::Reintentar;
    case Botones::Aceptar:
    case Botones::AceptarCancelar:
        break;
    }
    return Respuesta::Aceptar;
}

} // namespace

Respuesta InteraccionGuionada::mensaje(std::string_view texto, std::string_view titulo, Icono icono,
                                       Botones botones) {
    mensajes.push_back({std::string(texto), std::string(titulo), icono, botones});
    if (alMostrar) {
        alMostrar(mensajes.back());
    }
    if (respuestas.empty()) {
        return primerBoton(botones);
    }
    const Respuesta r = respuestas.front();
    respuestas.pop_front();
    return r;
}

void InteraccionGuionada::estado(std::string_view texto) {
    estados.emplace_back(texto);
}

void InteraccionGuionada::ocupado(bool activo) {
    cambiosOcupado.push_back(activo);
}

void InteraccionGuionada::procesarEventos() {
    ++eventosProcesados;
}

void InteraccionGuionada::terminarPrograma(int codigo) {
    terminaciones.push_back(codigo);
}

bool InteraccionGuionada::abrirArchivo(const std::filesystem::path& archivo) {
    archivosAbiertos.push_back(archivo);
    return exitoAbrir;
}

bool InteraccionGuionada::iniciarPrograma(const std::filesystem::path& programa) {
    programasIniciados.push_back(programa);
    return exitoIniciar;
}

void InteraccionGuionada::sesion(std::string_view texto) {
    sesiones.emplace_back(texto);
}

std::optional<std::string> InteraccionGuionada::pedirPin(std::string_view tarjeta) {
    tarjetasPin.emplace_back(tarjeta);
    if (pines.empty()) {
        return std::nullopt;
    }
    auto pin = pines.front();
    pines.pop_front();
    return pin;
}

void InteraccionGuionada::mostrarDepuracion(const ArbolRespuesta& arbol,
                                            std::string_view respuesta) {
    depuraciones.emplace_back(std::string(respuesta), arbol.tamano());
}
