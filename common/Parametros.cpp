#include "common/Parametros.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "common/Texto.h"

namespace {

const char* comoSN(bool valor) {
    return valor ? "S" : "N";
}

} // namespace

DatosParametros cargarParametros(const General& g) {
    DatosParametros d;
    d.Text2 = g.RutaBaseDatos;
    d.entradas = {"Pruebas       -  " + g.URLEntornos[0], "Preproducción -  " + g.URLEntornos[1],
                  "Producción    -  " + g.URLEntornos[2]};
    d.Combo1 = 0;
    if (g.Conexion) {
        if (const auto entorno = leerEntorno(*g.Conexion);
            entorno && *entorno >= 0 && *entorno <= 2) {
            d.Combo1 = *entorno;
        }
    }
    d.Text1 = g.programa == Programa::Ambrel ? g.CarpetaDescargas : g.CarpetaEnvios;
    d.Text3 = g.RutaBaseDatos.substr(0, g.RutaBaseDatos.find(kArchivoBaseDatos));
    d.Text4 = g.CarpetaDescargaManual;
    d.ckSellado = g.Sellado;
    d.ckDepurar = g.Depurar;
    d.ckEmular = g.EmularVista;
    return d;
}

void grabarParametros(General& g, Interaccion& ui, DatosParametros d) {
    ui.ocupado(true);
    d.Text1 = conSeparadorFinal(d.Text1);
    d.Text3 = conSeparadorFinal(d.Text3);
    if (g.Conexion) {
        grabarEntorno(*g.Conexion, static_cast<std::int16_t>(d.Combo1));
    }

    const std::string carpeta = recortar(d.Text1);
    if (g.programa == Programa::Ambrel) {
        g.CarpetaDescargas = carpeta;
        g.CarpetaDescargaManual = recortar(d.Text4);
    } else {
        g.CarpetaEnvios = carpeta;
    }
    g.RutaBaseDatos = recortar(d.Text3);
    g.Sellado = d.ckSellado;
    g.Depurar = d.ckDepurar;
    g.EmularVista = d.ckEmular;
    g.Entorno = static_cast<std::int16_t>(d.Combo1);
    EstablecerEntorno(g);

    const ArchivoIni ini = ajustesDe(g);
    try {
        ini.escribir(kSeccionAjustes, "Ruta", recortar(d.Text3));
        if (g.programa == Programa::Ambrel) {
            ini.escribir(kSeccionAjustes, "Descargas", carpeta);
            ini.escribir(kSeccionAjustes, "Sellado", comoSN(g.Sellado));
            ini.escribir(kSeccionAjustes, "Depurar", comoSN(g.Depurar));
            ini.escribir(kSeccionAjustes, "DescargaManual", g.CarpetaDescargaManual);
            ini.escribir(kSeccionAjustes, "EmularVista", comoSN(g.EmularVista));
        } else {
            ini.escribir(kSeccionAjustes, "Envios", carpeta);
            ini.escribir(kSeccionAjustes, "Sellado", comoSN(g.Sellado));
            ini.escribir(kSeccionAjustes, "Depurar", comoSN(g.Depurar));
            ini.escribir(kSeccionAjustes, "EmularVista", comoSN(g.EmularVista));
        }
    } catch (const ErrorArchivoIni& e) {
        // The settings could not all be kept: say so rather than end as if saved.
        ui.ocupado(false);
        ui.mensaje(e.what(), "Atención", Icono::Critico, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
    ui.procesarEventos();
    ui.ocupado(false);
    terminarPrograma(ui, 0);
}
