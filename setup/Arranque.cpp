#include "setup/Arranque.h"

#include "core/Interaccion.h"
#include "platform/Sistema.h"
#include "platform/TemporalesPropios.h"
#include "settings/ArchivoIni.h"
#include "settings/CarpetaPrograma.h"
#include "storage/Esquema.h"

#include <cstdio>
#include <system_error>

namespace {

[[noreturn]] void errorAlIniciar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, "Error al iniciar", Icono::Critico, Botones::Aceptar);
    terminarPrograma(ui, 1);
}

bool existeCarpeta(const std::string& carpeta) {
    std::error_code ec;
    return std::filesystem::is_directory(comoRuta(carpeta), ec);
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

bool esPrimerArranque(const Ajustes& g) {
    return !ajustesDe(g).existe();
}

std::string prepararAjustesYBaseDatos(Ajustes& g, std::unique_ptr<BaseDatos>& conexion,
                                      Interaccion& ui) {
    if (!leerAjustes(g, ui)) {
        errorAlIniciar(ui, "No se encuentra la Base de Datos en el directorio especificado [" +
                               g.RutaBaseDatos + "]");
    }
    std::string titulo;
    try {
        conexion = std::make_unique<BaseDatos>(BaseDatos::abrir(comoRuta(g.RutaBaseDatos)));
        const auto entorno = leerEntorno(*conexion);
        if (!entorno) {
            errorAlIniciar(ui, "La Base de Datos [" + g.RutaBaseDatos +
                                   "] no tiene ninguna fila en la tabla Parametro");
        }
        g.Entorno = *entorno;
    } catch (const ErrorBaseDatos& e) {
        conexion.reset();
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
        actualizarEsquema(*conexion);
    } catch (const ErrorBaseDatos& e) {
        conexion.reset();
        errorAlIniciar(ui, "No se puede actualizar la Base de Datos [" + g.RutaBaseDatos +
                               "]: " + e.what());
    }
    return titulo;
}

bool relanzarSiCarpeta(const Ajustes& g, Interaccion& ui, std::string_view carpeta,
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

void InicializarInstalacion(const Ajustes& g, Interaccion& ui) {
    // A program folder in the user's data folder is made on first use.
    if (!existeCarpeta(g.CarpetaPrograma)) {
        CrearCarpeta(g.CarpetaPrograma, ui);
    }
    const std::string datos = g.CarpetaPrograma + separador() + "DATOS";
    if (!existeCarpeta(datos)) {
        CrearCarpeta(datos, ui);
    }

    // An existing database holds the office's notifications and writs: never replace it.
    const std::string plantilla = plantillaDeInstalacion(g.CarpetaPrograma);
    std::error_code ec;
    const std::string destino = datos + separador() + kArchivoBaseDatos;
    if (!std::filesystem::exists(comoRuta(destino), ec)) {
        const auto temporal = temporalPropio(comoRuta(destino), ".nuevo");
        std::filesystem::copy_file(comoRuta(plantilla), temporal,
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (!ec) {
            std::filesystem::rename(temporal, comoRuta(destino), ec);
        }
        if (ec) {
            std::error_code ignorado;
            std::filesystem::remove(temporal, ignorado);
            errorAlIniciar(ui, "No se puede crear la Base de Datos [" + destino +
                                   "] a partir de la plantilla [" + plantilla +
                                   "]: " + ec.message());
        }
    }

    const std::string descargas = datos + separador() + "DESCARGAS";
    try {
        const ArchivoIni ini = ajustesDe(g);
        ini.escribir(kSeccionAjustes, "Ruta", datos);
        if (!existeCarpeta(descargas)) {
            CrearCarpeta(descargas, ui);
        }
        ini.escribir(kSeccionAjustes, "Descargas", descargas);
    } catch (const ErrorArchivoIni& e) {
        errorAlIniciar(ui, e.what());
    }
}
