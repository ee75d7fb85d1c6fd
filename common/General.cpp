#include "common/General.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "common/Sistema.h"
#include "common/TemporalesPropios.h"
#include "common/Texto.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

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
std::string leerCarpeta(const ArchivoIni& ini, const char* clave, const General& g,
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

[[noreturn]] void errorAlIniciar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, "Error al iniciar", Icono::Critico, Botones::Aceptar);
    terminarPrograma(ui, 1);
}

} // namespace

std::string General::archivoAjustes() const {
    return CarpetaPrograma + separador() + kArchivoAjustes;
}

ArchivoIni ajustesDe(const General& g) {
    return ArchivoIni(comoRuta(g.archivoAjustes()));
}

std::string separador() {
    return std::string(1, static_cast<char>(std::filesystem::path::preferred_separator));
}

std::string conSeparadorFinal(std::string carpeta) {
    if (!carpeta.empty() && !terminaEn(carpeta, separador())) {
        carpeta += separador();
    }
    return carpeta;
}

std::filesystem::path comoRuta(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string comoTexto(const std::filesystem::path& ruta) {
    const std::u8string u = ruta.u8string();
    return std::string(u.begin(), u.end());
}

std::string carpetaDelPrograma() {
    if (const char* carpeta = std::getenv("LEXNET_CARPETA_PROGRAMA"); carpeta && *carpeta) {
        std::string r = carpeta;
        while (r.size() > 1 && terminaEn(r, separador())) {
            r.pop_back();
        }
        return r;
    }
    return carpetaDelEjecutable();
}

bool leerAjustes(General& g, Interaccion& ui) {
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
        g.UnidadDescargaManual = primerosCaracteres(g.CarpetaDescargaManual, 3);
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

std::string EstablecerEntorno(General& g) {
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

void InicializarInstalacion(General& g, Interaccion& ui) {
    const std::string datos = g.CarpetaPrograma + separador() + "DATOS";
    if (!existeCarpeta(datos)) {
        CrearCarpeta(datos, ui);
    }

    // An existing database holds the office's notifications and writs: never replace it.
    // The template beside the executable serves a program folder that lacks one.
    std::string plantilla = g.CarpetaPrograma + separador() + kArchivoPlantilla;
    std::error_code ec;
    if (!std::filesystem::exists(comoRuta(plantilla), ec)) {
        plantilla = carpetaDelEjecutable() + separador() + kArchivoPlantilla;
    }
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

bool ValidarFecha(std::string& texto) {
    const auto trozo = [&](std::size_t desde, std::size_t n) {
        return desde >= texto.size() ? std::string() : texto.substr(desde, n);
    };
    const std::string dia = trozo(0, 2);
    const std::string mes = trozo(2, 2);
    const std::string anio = texto.size() > 4 ? texto.substr(texto.size() - 4) : texto;
    texto = dia + "/" + mes + "/" + anio;

    const auto numero = [](const std::string& s) {
        if (s.empty()) {
            return -1;
        }
        int n = 0;
        for (const char c : s) {
            if (c < '0' || c > '9') {
                return -1;
            }
            n = n * 10 + (c - '0');
        }
        return n;
    };
    const int d = numero(dia);
    const int m = numero(mes);
    const int a = numero(anio);
    if (m <= 0 || m >= 13 || d <= 0 || anio.size() != 4 || a < 100) {
        return false;
    }
    const bool bisiesto = (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
    static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int maximo = kDias[m - 1] + (m == 2 && bisiesto ? 1 : 0);
    return d <= maximo;
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

void Esperar(int segundos, Interaccion& ui) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(segundos);
    while (std::chrono::steady_clock::now() < fin) {
        ui.procesarEventos();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
