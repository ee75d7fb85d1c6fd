#include "setup/Parametros.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "settings/ArchivoIni.h"
#include "storage/Esquema.h"

namespace {

const char* comoSN(bool valor) {
    return valor ? "S" : "N";
}

} // namespace

DatosParametros cargarParametros(const Ajustes& g, BaseDatos* db) {
    DatosParametros d;
    d.archivoBaseDatos = g.RutaBaseDatos;
    d.entradas = {"Pruebas       -  " + g.URLEntornos[0], "Preproducción -  " + g.URLEntornos[1],
                  "Producción    -  " + g.URLEntornos[2]};
    d.entorno = 0;
    if (db != nullptr) {
        if (const auto entorno = leerEntorno(*db); entorno && *entorno >= 0 && *entorno <= 2) {
            d.entorno = *entorno;
        }
    }
    d.carpetaDocumentos = g.programa == Programa::Ambrel ? g.CarpetaDescargas : g.CarpetaEnvios;
    d.carpetaBaseDatos = g.RutaBaseDatos.substr(0, g.RutaBaseDatos.find(kArchivoBaseDatos));
    d.carpetaDescargaManual = g.CarpetaDescargaManual;
    d.sellado = g.Sellado;
    d.depurar = g.Depurar;
    d.emularVista = g.EmularVista;
    d.destinatarioOtro = g.DestinatarioOtro;
    return d;
}

void grabarParametros(Ajustes g, BaseDatos* db, Interaccion& ui, DatosParametros d) {
    std::string fallo;
    {
        const PunteroOcupado ocupado(ui);
        d.carpetaDocumentos = conSeparadorFinal(d.carpetaDocumentos);
        d.carpetaBaseDatos = conSeparadorFinal(d.carpetaBaseDatos);
        if (db != nullptr) {
            grabarEntorno(*db, static_cast<std::int16_t>(d.entorno));
        }

        const std::string carpeta = recortar(d.carpetaDocumentos);
        if (g.programa == Programa::Ambrel) {
            g.CarpetaDescargas = carpeta;
            g.CarpetaDescargaManual = recortar(d.carpetaDescargaManual);
        } else {
            g.CarpetaEnvios = carpeta;
        }
        g.RutaBaseDatos = recortar(d.carpetaBaseDatos);
        g.Sellado = d.sellado;
        g.Depurar = d.depurar;
        g.EmularVista = d.emularVista;
        g.Entorno = static_cast<std::int16_t>(d.entorno);
        EstablecerEntorno(g);

        const ArchivoIni ini = ajustesDe(g);
        try {
            ini.escribir(kSeccionAjustes, "Ruta", recortar(d.carpetaBaseDatos));
            if (g.programa == Programa::Ambrel) {
                ini.escribir(kSeccionAjustes, "Descargas", carpeta);
                ini.escribir(kSeccionAjustes, "Sellado", comoSN(g.Sellado));
                ini.escribir(kSeccionAjustes, "Depurar", comoSN(g.Depurar));
                ini.escribir(kSeccionAjustes, "DescargaManual", g.CarpetaDescargaManual);
                ini.escribir(kSeccionAjustes, "EmularVista", comoSN(g.EmularVista));
                ini.escribir(kSeccionAjustes, "Destinatario",
                             d.destinatarioOtro ? "otro" : "procurador");
            } else {
                ini.escribir(kSeccionAjustes, "Envios", carpeta);
                ini.escribir(kSeccionAjustes, "Sellado", comoSN(g.Sellado));
                ini.escribir(kSeccionAjustes, "Depurar", comoSN(g.Depurar));
                ini.escribir(kSeccionAjustes, "EmularVista", comoSN(g.EmularVista));
            }
        } catch (const ErrorArchivoIni& e) {
            fallo = e.what();
        }
        if (fallo.empty()) {
            ui.procesarEventos();
        }
    }
    if (!fallo.empty()) {
        // The settings could not all be kept: say so rather than end as if saved.
        ui.mensaje(fallo, kTituloAtencion, Icono::Critico, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
    terminarPrograma(ui, 0);
}
