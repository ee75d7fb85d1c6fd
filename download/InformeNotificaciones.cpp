#include "download/InformeNotificaciones.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/ArchivoTexto.h"
#include "download/DescargaManual.h"
#include "download/ListaNotificaciones.h"
#include "settings/Ajustes.h"

#include <algorithm>
#include <system_error>

namespace {

constexpr std::size_t kAnchoFechaInforme = 19;
constexpr std::size_t kAnchoNumeroInforme = 15;
constexpr std::size_t kAnchoIdInforme = 20;

std::size_t caracteres(std::string_view texto) {
    return static_cast<std::size_t>(std::count_if(texto.begin(), texto.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Left-aligned, padded with blanks to the width, then one blank; a line break inside the
// value becomes a blank.
std::string columna(std::string_view valor, std::size_t ancho) {
    std::string texto = valorDeLinea(valor);
    const std::size_t n = caracteres(texto);
    texto.append(n < ancho ? ancho - n : 0, ' ');
    return texto + " ";
}

std::string lineaInforme(const FilaInforme& f, std::size_t anchoOrigen) {
    return columna(primerosCaracteres(f.origen, anchoOrigen), anchoOrigen) +
           columna(f.fecha, kAnchoFechaInforme) + columna(f.numero, kAnchoNumeroInforme) +
           columna(f.idLexNet, kAnchoIdInforme) + "\r\n";
}

void informar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
}

void escribirYAbrir(const Ajustes& g, Interaccion& ui, const std::vector<FilaInforme>& filas,
                    std::size_t anchoOrigen) {
    std::filesystem::path ruta;
    std::string fallo;
    bool abierto = false;
    {
        const PunteroOcupado ocupado(ui);
        try {
            ruta = escribirInforme(g, filas, anchoOrigen);
        } catch (const std::system_error& e) {
            fallo = "No se ha podido escribir el listado: " +
                    descripcionError(e, comoRuta(g.CarpetaDescargas + kArchivoInforme));
        }
        if (fallo.empty()) {
            ui.procesarEventos();
            abierto = ui.abrirArchivo(ruta);
        }
    }
    if (!fallo.empty()) {
        informar(ui, fallo);
        return;
    }
    if (!abierto) {
        informar(ui, "El listado se ha guardado en " + comoTexto(ruta) +
                         ", pero no hay un programa para abrirlo.");
    }
}

} // namespace

std::string textoInforme(const std::vector<FilaInforme>& filas, std::size_t anchoOrigen) {
    std::string texto =
        lineaInforme({"ORIGEN", "FECHA / HORA", "No. PROCED.", "ID LEXNET"}, anchoOrigen);
    for (const std::size_t ancho :
         {anchoOrigen, kAnchoFechaInforme, kAnchoNumeroInforme, kAnchoIdInforme}) {
        texto += std::string(ancho, '-') + " ";
    }
    texto += "\r\n";
    for (const FilaInforme& f : filas) {
        texto += lineaInforme(f, anchoOrigen);
    }
    return texto;
}

std::filesystem::path escribirInforme(const Ajustes& g, const std::vector<FilaInforme>& filas,
                                      std::size_t anchoOrigen) {
    const std::filesystem::path ruta =
        comoRuta(conSeparadorFinal(g.CarpetaDescargas) + kArchivoInforme);
    escribirArchivoEntero(ruta, haciaWindows1252(textoInforme(filas, anchoOrigen)));
    return ruta;
}

std::vector<FilaInforme> filasInforme(const std::vector<NotificacionLista>& lista) {
    std::vector<FilaInforme> filas;
    for (const NotificacionLista& n : lista) {
        filas.push_back({n.origen, n.fecha, n.numero, n.idLexNet});
    }
    return filas;
}

std::vector<FilaInforme> filasInforme(const std::vector<NotificacionManual>& lista) {
    std::vector<FilaInforme> filas;
    for (const NotificacionManual& n : lista) {
        const auto corchete = n.remitente.find("] ");
        filas.push_back(
            {corchete == std::string::npos ? n.remitente : n.remitente.substr(corchete + 2),
             n.datos.fecha, n.datos.anio + n.datos.numero, n.datos.idLexNet});
    }
    return filas;
}

void listarNotificaciones(const Ajustes& g, Interaccion& ui,
                          const std::vector<NotificacionLista>& lista) {
    if (lista.empty()) {
        informar(ui, kSinNotificacionesInforme);
        return;
    }
    escribirYAbrir(g, ui, filasInforme(lista), kAnchoOrigenInforme);
}

void listarNotificacionesManuales(const Ajustes& g, Interaccion& ui,
                                  const std::vector<NotificacionManual>& lista) {
    if (!lista.empty()) {
        escribirYAbrir(g, ui, filasInforme(lista), kAnchoOrigenManual);
    }
}
