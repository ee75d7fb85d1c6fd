#include "download/DescargaManual.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/ListaNotificaciones.h"
#include "platform/Sistema.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string derecha(const std::string& texto, std::size_t ancho) {
    return texto.size() >= ancho ? texto : std::string(ancho - texto.size(), ' ') + texto;
}

// The regular files of the folder, by name.
std::vector<std::string> archivosDe(const fs::path& carpeta) {
    std::vector<std::string> nombres;
    std::error_code ec;
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
        if (it->is_regular_file(ec)) {
            nombres.push_back(comoTexto(it->path().filename()));
        }
    }
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}

bool esRtf(const std::string& nombre) {
    return nombre.size() >= 4 && igualesSinMayusculas(nombre.substr(nombre.size() - 4), ".rtf");
}

bool esDeNotificacion(const std::string& nombre, const std::string& id) {
    return nombre.find("_" + id + "_", 1) != std::string::npos;
}

// Four or five "_": a notification's own document.
bool esCedula(const std::string& nombre) {
    const auto rayas = std::count(nombre.begin(), nombre.end(), '_');
    return esRtf(nombre) && (rayas == 4 || rayas == 5);
}

std::string leerTodo(const fs::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Sender and description from every document of the notification, the last found kept.
void leerDocumentos(const fs::path& carpeta, const std::vector<std::string>& nombres,
                    NotificacionManual& n) {
    TextoCedula t;
    for (const std::string& nombre : nombres) {
        if (esCedula(nombre) && esDeNotificacion(nombre, n.datos.idLexNet)) {
            leerTextoCedula(leerTodo(carpeta / comoRuta(nombre)), t);
        }
    }
    n.remitente = t.remitente;
    n.descripcion = t.descripcion;
}

} // namespace

std::array<std::string, 2> cabeceraManual() {
    return {"     Año  " + derecha("Procedimiento", 15) + " " + derecha("Tipo", 6) + " " +
                derecha("Id LexNet", 18) + "   Fecha        Hora",
            "     ----  -------------- ------ ------------------   ----------   --------"};
}

std::string lineaManual(const NombreCedula& n) {
    const auto espacio = n.fecha.find(' ');
    return "     " + n.anio + " " + derecha(n.numero, 15) + " " + derecha(n.tipo, 6) + " " +
           derecha(n.idLexNet, 18) + "   " + n.fecha.substr(0, espacio) + "   " +
           n.fecha.substr(espacio + 1);
}

std::vector<NotificacionManual> leerCarpetaManual(const fs::path& carpeta) {
    const std::vector<std::string> nombres = archivosDe(carpeta);
    std::vector<NotificacionManual> lista;
    for (const std::string& nombre : nombres) {
        if (!esRtf(nombre)) {
            continue;
        }
        const auto datos = partirNombreCedula(nombre);
        if (!datos) {
            continue;
        }
        NotificacionManual n{nombre, *datos, "", "", lineaManual(*datos)};
        leerDocumentos(carpeta, nombres, n);
        lista.push_back(std::move(n));
    }
    return lista;
}

std::vector<std::string> archivosDeNotificacion(const fs::path& carpeta,
                                                const NotificacionManual& n) {
    const std::vector<std::string> nombres = archivosDe(carpeta);
    std::vector<std::string> r{n.archivo};
    for (const bool rtf : {true, false}) {
        for (const std::string& nombre : nombres) {
            if (esRtf(nombre) == rtf && nombre != n.archivo &&
                esDeNotificacion(nombre, n.datos.idLexNet)) {
                r.push_back(nombre);
            }
        }
    }
    return r;
}

std::string tipoConDescripcion(BaseDatos& db, const std::string& codigo) {
    const auto descripcion =
        db.primerValor("SELECT descrTipoProcedimiento FROM TipoProcedimiento "
                       "WHERE codigoTipoProcedimiento = ? ORDER BY rowid LIMIT 1",
                       codigo);
    return descripcion ? codigo + " " + recortar(descripcion->texto()) : codigo;
}

DetalleManual detalleManual(BaseDatos& db, const fs::path& carpeta, const NotificacionManual& n) {
    DetalleManual d;
    d.origen = n.remitente;
    d.numero = n.archivo.substr(0, 4) + recortar(n.datos.numero);
    d.tipo = tipoConDescripcion(db, n.datos.tipo);
    d.fecha = n.datos.fecha;
    d.descripcion = n.descripcion;
    d.archivos = archivosDeNotificacion(carpeta, n);
    return d;
}

void verArchivoManual(Interaccion& ui, const fs::path& carpeta, const std::string* seleccionado) {
    if (seleccionado == nullptr) {
        ui.mensaje(kSeleccioneAdjunto, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return;
    }
    const fs::path ruta = carpeta / comoRuta(*seleccionado);
    if (esDocumentoEjecutable(ruta)) {
        ui.mensaje(kDocumentoEjecutable + *seleccionado, kTituloAtencion, Icono::Exclamacion,
                   Botones::Aceptar);
        return;
    }
    ui.abrirArchivo(ruta);
}

bool prepararDescargaManual(Interaccion& ui) {
    if (ui.mensaje(kRecuerdeWeb, kTituloWeb, Icono::Pregunta, Botones::SiNo) != Respuesta::Si) {
        return false;
    }
    if (ui.mensaje(kConectarWeb, kTituloWeb, Icono::Pregunta, Botones::SiNo) == Respuesta::Si) {
        if (const std::error_code ec = abrirDireccion(kDireccionWebLexnet)) {
            ui.mensaje("No se ha podido abrir el web de LexNet (" +
                           std::string(kDireccionWebLexnet) + "): " + ec.message(),
                       kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        }
    }
    return true;
}

std::string unidadManualInicial(const Ajustes& g) {
    return primerosCaracteres(g.CarpetaDescargaManual, 3);
}

fs::path carpetaManualInicial(const Ajustes& g) {
    if (!g.CarpetaDescargaManual.empty()) {
        return comoRuta(g.CarpetaDescargaManual);
    }
    return carpetaNotificacionesPorDefecto();
}
