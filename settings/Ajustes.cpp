#include "settings/Ajustes.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "platform/Sistema.h"
#include "settings/ArchivoIni.h"

#include <cstdlib>
#include <stdexcept>

namespace {

constexpr const char* kURLPruebas = "https://127.0.0.1:8443/services/";
constexpr const char* kURLPreproduccion = "https://lexnet-pre.justicia.es/services/";
constexpr const char* kURLProduccion = "https://lexnet.justicia.es/services/";

std::string leerClave(const ArchivoIni& ini, const char* clave) {
    return ini.leer(kSeccionAjustes, clave);
}

bool esS(const std::string& valor) {
    return mayusculas(valor) == "S";
}

std::string conValorPorDefecto(std::string valor, const char* porDefecto) {
    valor = recortar(valor);
    return valor.empty() ? std::string(porDefecto) : valor;
}

bool existeCarpeta(const std::string& carpeta) {
    std::error_code ec;
    return std::filesystem::is_directory(comoRuta(carpeta), ec);
}

// A folder setting: trimmed, created when missing, with a final separator. An empty
// setting would mean the root folder, so it falls back to a folder of the installation.
std::string leerCarpeta(const ArchivoIni& ini, const char* clave, const Ajustes& g,
                        const char* subcarpeta, Interaccion& ui) {
    std::string carpeta = recortar(leerClave(ini, clave));
    if (carpeta.empty()) {
        carpeta = g.CarpetaPrograma + separador() + "DATOS" + separador() + subcarpeta;
    }
    if (!existeCarpeta(carpeta)) {
        CrearCarpeta(carpeta, ui);
    }
    return conSeparadorFinal(carpeta);
}

} // namespace

std::string Ajustes::archivoAjustes() const {
    return CarpetaPrograma + separador() + kArchivoAjustes;
}

ArchivoIni ajustesDe(const Ajustes& g) {
    return ArchivoIni(comoRuta(g.archivoAjustes()));
}

bool leerAjustes(Ajustes& g, Interaccion& ui) {
    const ArchivoIni ini = ajustesDe(g);

    std::string ruta = recortar(leerClave(ini, "Ruta"));
    if (ruta.empty()) {
        ruta = g.CarpetaPrograma;
    }
    ruta = conSeparadorFinal(ruta);
    if (g.programa == Programa::Corvane) {
        g.RutaDatos = ruta;
    }
    g.RutaBaseDatos = ruta + kArchivoBaseDatos;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(comoRuta(g.RutaBaseDatos), ec)) {
        return false;
    }

    g.CarpetaDescargas = leerCarpeta(ini, "Descargas", g, "DESCARGAS", ui);
    if (g.programa == Programa::Ambrel) {
        g.CarpetaDescargaManual = recortar(leerClave(ini, "DescargaManual"));
    } else {
        g.CarpetaEnvios = leerCarpeta(ini, "Envios", g, "ENVIOS", ui);
    }
    g.Sellado = esS(leerClave(ini, "Sellado"));
    g.Depurar = esS(leerClave(ini, "Depurar"));
    g.EmularVista = esS(leerClave(ini, "EmularVista"));

    g.URLEntornos = {conValorPorDefecto(leerClave(ini, "URLPruebas"), kURLPruebas),
                     conValorPorDefecto(leerClave(ini, "URLPreproduccion"), kURLPreproduccion),
                     conValorPorDefecto(leerClave(ini, "URLProduccion"), kURLProduccion)};
    g.ModuloPKCS11 = recortar(leerClave(ini, "ModuloPKCS11"));
    if (g.ModuloPKCS11.empty()) {
        g.ModuloPKCS11 = moduloPkcs11("opensc-pkcs11");
    }
    g.CAServidor = recortar(leerClave(ini, "CAServidor"));
    g.Pausas = mayusculas(recortar(leerClave(ini, "Pausas"))) != "N";
    g.DestinatarioOtro = mayusculas(recortar(leerClave(ini, "Destinatario"))) == "OTRO";
    try {
        const int limite = std::stoi(recortar(leerClave(ini, "LimiteEnvioMB")));
        g.LimiteEnvioMB = limite > 0 ? limite : g.LimiteEnvioMB;
    } catch (const std::exception&) {
        // Absent or not a number: the default.
    }
    g.Espacios.operaciones =
        conValorPorDefecto(leerClave(ini, "EspacioOperaciones"), EspaciosLexnet::kOperaciones);
    g.Espacios.mensajeWS =
        conValorPorDefecto(leerClave(ini, "EspacioMensajeWS"), EspaciosLexnet::kMensajeWS);
    return true;
}

std::string EstablecerEntorno(Ajustes& g) {
    static constexpr const char* kAmbrel[] = {"Descarga Notificaciones LexNet - [PRUEBAS",
                                              "Descarga Notificaciones LexNet - [PREPRODUCCIÓN",
                                              "Descarga Notificaciones LexNet - [PRODUCCIÓN"};
    static constexpr const char* kCorvane[] = {"Envío de Escritos LexNet - [PRUEBAS",
                                               "Envío de Escritos LexNet - [PREPRODUCCIÓN",
                                               "Envío de Escritos LexNet - [PRODUCCIÓN"};
    std::string inicio;
    if (g.Entorno >= 0 && g.Entorno <= 2) {
        g.URLServicio = g.URLEntornos[static_cast<std::size_t>(g.Entorno)];
        inicio = (g.programa == Programa::Ambrel ? kAmbrel : kCorvane)[g.Entorno];
    }
    return inicio + " - " + g.CarpetaDescargas + "]";
}

bool CrearCarpeta(const std::string& ruta, Interaccion& ui) {
    if (ruta.empty()) {
        return true;
    }
    std::filesystem::path acumulada;
    for (const auto& pieza : comoRuta(ruta)) {
        acumulada /= pieza;
        if (pieza.empty() || pieza == acumulada.root_path() || pieza == acumulada.root_name() ||
            pieza == acumulada.root_directory()) {
            continue;
        }
        std::error_code ec;
        if (std::filesystem::is_directory(acumulada, ec)) {
            continue;
        }
        if (!std::filesystem::create_directory(acumulada, ec) && ec) {
            ui.mensaje("Número de error: " + std::to_string(ec.value()) +
                           "Descripción del error: " + ec.message(),
                       "", Icono::Critico, Botones::Aceptar);
            return false;
        }
    }
    return true;
}
