#include "common/Arranque.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "common/Sistema.h"

#include <cstdio>
#include <system_error>

namespace {

[[noreturn]] void errorAlIniciar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, "Error al iniciar", Icono::Critico, Botones::Aceptar);
    terminarPrograma(ui, 1);
}

} // namespace

std::string textoVersion() {
    return "versión " + std::to_string(LEXNET_VERSION_MAYOR) + "." +
           std::to_string(LEXNET_VERSION_MENOR) + "." + std::to_string(LEXNET_VERSION_REVISION);
}

std::string fechaDeHoy() {
    const std::tm t = horaLocal();
    char texto[40];
    std::snprintf(texto, sizeof texto, "%02d/%02d/%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
    return texto;
}

bool esPrimerArranque(const General& g) {
    return !ajustesDe(g).existe();
}

std::string prepararAjustesYBaseDatos(General& g, Interaccion& ui) {
    if (!leerAjustes(g, ui)) {
        errorAlIniciar(ui, "No se encuentra la Base de Datos en el directorio especificado [" +
                               g.RutaBaseDatos + "]");
    }
    std::string titulo;
    try {
        g.Conexion = std::make_unique<BaseDatos>(BaseDatos::abrir(comoRuta(g.RutaBaseDatos)));
        const auto entorno = leerEntorno(*g.Conexion);
        if (!entorno) {
            errorAlIniciar(ui, "La Base de Datos [" + g.RutaBaseDatos +
                                   "] no tiene ninguna fila en la tabla Parametro");
        }
        g.Entorno = *entorno;
    } catch (const ErrorBaseDatos& e) {
        g.Conexion.reset();
        errorAlIniciar(ui,
                       "No se puede abrir la Base de Datos [" + g.RutaBaseDatos + "]: " + e.what());
    }
    titulo = EstablecerEntorno(g);

    g.CarpetaImportacion = g.CarpetaPrograma + separador() + "IMPORTLEXNET";
    std::error_code ec;
    if (!std::filesystem::is_directory(comoRuta(g.CarpetaImportacion), ec)) {
        CrearCarpeta(g.CarpetaImportacion, ui);
    }

    try {
        actualizarEsquema(*g.Conexion);
    } catch (const ErrorBaseDatos& e) {
        g.Conexion.reset();
        errorAlIniciar(ui, "No se puede actualizar la Base de Datos [" + g.RutaBaseDatos +
                               "]: " + e.what());
    }
    return titulo;
}

void cerrarConexion(General& g) {
    g.Conexion.reset();
}

bool relanzarSiCarpeta(const General& g, Interaccion& ui, std::string_view carpeta,
                       std::string_view programa) {
    if (g.CarpetaPrograma != carpeta) {
        return false;
    }
    ui.iniciarPrograma(comoRuta(programa));
    return true;
}

void pasoDeCierre(Interaccion& ui, const std::function<void()>& paso) {
    try {
        paso();
    } catch (const std::system_error& e) {
        ui.mensaje(std::to_string(e.code().value()) + " - " + e.code().message(), "",
                   Icono::Ninguno, Botones::Aceptar);
    } catch (const std::exception& e) {
        ui.mensaje("0 - " + std::string(e.what()), "", Icono::Ninguno, Botones::Aceptar);
    }
}
