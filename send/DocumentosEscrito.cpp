#include "send/DocumentosEscrito.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "send/Corvane.h"
#include "send/ListaEscritos.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTitulo = kTituloAtencionDosPuntos;

void avisar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, kTitulo, Icono::Exclamacion, Botones::Aceptar);
}

bool preguntar(Interaccion& ui, const std::string& texto) {
    return ui.mensaje(texto, kTitulo, Icono::Pregunta, Botones::SiNo) == Respuesta::Si;
}

// A bare file name, which can only name a file of the sends folder.
bool esNombreSimple(std::string_view nombre) {
    return !nombre.empty() && nombre != "." && nombre != ".." &&
           nombre.find_first_of("/\\") == std::string_view::npos;
}

bool existe(const std::string& ruta) {
    std::error_code ec;
    return fs::exists(comoRuta(ruta), ec);
}

} // namespace

std::string prefijoAdjuntos(std::string_view adjunto) {
    const std::size_t rtf = mayusculas(adjunto).find(".RTF");
    return std::string(adjunto.substr(0, rtf)) + "_";
}

bool DocumentosEscrito::cabeOtroDocumento(const EscritoSeleccionado& escrito) {
    const auto extra = corvane_.db().primerValor(
        "SELECT COUNT(*) FROM MensajeAdjunto WHERE IdMensajeAdjunto = ?", escrito.id);
    if (1 + (extra ? extra->entero() : 0) < static_cast<std::int64_t>(kMaximoDocumentos)) {
        return true;
    }
    ui_.mensaje("No se pueden enviar más de 6 adjuntos en un escrito.", kTitulo, Icono::Informacion,
                Botones::Aceptar);
    return false;
}

std::optional<std::vector<std::string>>
DocumentosEscrito::anadirAdjunto(const EscritoSeleccionado& escrito, const fs::path& elegido) {
    std::optional<std::vector<std::string>> resultado;
    PunteroOcupado ocupado(ui_);
    if (elegido.empty() || !cabeOtroDocumento(escrito)) {
        ui_.procesarEventos();
        return std::nullopt;
    }
    const std::string titulo = comoTexto(elegido.filename());
    const std::string nombre = prefijoAdjuntos(escrito.adjunto) + titulo;
    const std::string destino = corvane_.ajustes.CarpetaEnvios + nombre;

    std::error_code ec;
    const bool yaExiste = fs::exists(comoRuta(destino), ec);
    if (yaExiste && !preguntar(ui_, "Ya existe el fichero " + titulo +
                                        " en la carpeta de envios.\r\n\r\n"
                                        "¿Desea sobreescribirlo?")) {
        ui_.procesarEventos();
        return std::nullopt;
    }
    // The chosen file may already be the one in the sends folder: nothing to copy.
    const bool mismo = yaExiste && fs::equivalent(elegido, comoRuta(destino), ec);

    // Copied beside its final name first: a failed copy leaves the old file whole.
    const std::string temporal = destino + ".copiando";
    if (!mismo &&
        !fs::copy_file(elegido, comoRuta(temporal), fs::copy_options::overwrite_existing, ec)) {
        const std::string causa = ec.message();
        fs::remove(comoRuta(temporal), ec);
        avisar(ui_, "No se puede copiar el archivo " + comoTexto(elegido) +
                        " en la carpeta de envíos: " + causa + ".");
        ui_.procesarEventos();
        return std::nullopt;
    }
    try {
        BaseDatos& db = corvane_.db();
        Transaccion t(db);
        db.ejecutar("DELETE FROM MensajeAdjunto WHERE IdMensajeAdjunto = ? AND Adjunto = ?",
                    escrito.id, nombre);
        db.ejecutar("INSERT INTO MensajeAdjunto (IdMensajeAdjunto, Adjunto) VALUES (?, ?)",
                    escrito.id, nombre);
        if (!mismo) {
            fs::rename(comoRuta(temporal), comoRuta(destino));
        }
        t.confirmar();
        resultado = documentosEscrito(db, escrito.id, escrito.adjunto);
    } catch (const fs::filesystem_error& e) {
        fs::remove(comoRuta(temporal), ec);
        avisar(ui_, "No se puede copiar el archivo " + comoTexto(elegido) +
                        " en la carpeta de envíos: " + e.code().message() + ".");
    } catch (const ErrorBaseDatos& e) {
        fs::remove(comoRuta(temporal), ec);
        avisar(ui_, "No se puede añadir el adjunto " + nombre + ": " + e.what());
    }
    ui_.procesarEventos();
    return resultado;
}

std::optional<std::vector<std::string>>
DocumentosEscrito::quitarAdjunto(const EscritoSeleccionado& escrito, int indice,
                                 std::string_view nombre) {
    if (indice < 1 || !preguntar(ui_, "¿Desea eliminar el adjunto seleccionado?")) {
        return std::nullopt;
    }
    PunteroOcupado ocupado(ui_);
    try {
        BaseDatos& db = corvane_.db();
        db.ejecutar("DELETE FROM MensajeAdjunto WHERE IdMensajeAdjunto = ? AND Adjunto = ?",
                    escrito.id, nombre);
        return documentosEscrito(db, escrito.id, escrito.adjunto);
    } catch (const ErrorBaseDatos& e) {
        avisar(ui_, "No se puede quitar el adjunto " + std::string(nombre) + ": " + e.what());
    }
    return std::nullopt;
}

void DocumentosEscrito::verDocumento(const EscritoSeleccionado& escrito, int indice,
                                     std::string_view texto) {
    if (indice < 0) {
        return;
    }
    PunteroOcupado ocupado(ui_);
    const std::string ruta =
        corvane_.ajustes.CarpetaEnvios + (indice == 0 ? escrito.adjunto : std::string(texto));
    if (!existe(ruta)) {
        avisar(ui_, "No se encuentra el documento " + ruta + ".");
    } else if (!ui_.abrirArchivo(comoRuta(ruta))) {
        avisar(ui_, "No se puede abrir el documento " + ruta + ".");
    }
}

bool DocumentosEscrito::bajaEscrito(const EscritoSeleccionado& escrito) {
    return preguntar(ui_, "¿Desea eliminar el escrito seleccionado?") &&
           BorrarEscrito(corvane_.ajustes, corvane_.db(), ui_, escrito.id);
}

bool BorrarEscrito(const Ajustes& g, BaseDatos& db, Interaccion& ui, std::int64_t id) {
    PunteroOcupado ocupado(ui);
    std::string ruta;
    std::string apartado;
    std::string fallo; // shown once the transaction is gone, never with the write lock held
    try {
        Transaccion t(db);
        const auto adjunto =
            db.primerValor("SELECT Adjunto FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", id);
        const std::string nombre = adjunto ? NoNulo(*adjunto) : std::string();
        db.ejecutar("DELETE FROM MensajeDestino WHERE IdMensajeDestino = ?", id);
        db.ejecutar("DELETE FROM MensajeAdjunto WHERE IdMensajeAdjunto = ?", id);
        db.ejecutar("DELETE FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", id);

        // A document another writ still names (a writ imported twice) is kept.
        const bool compartido = HayRegistros(db,
                                             "SELECT 1 FROM MensajeEnvio WHERE Adjunto = ? "
                                             "UNION ALL SELECT 1 FROM MensajeAdjunto "
                                             "WHERE Adjunto = ?",
                                             nombre, nombre);
        ruta = g.CarpetaEnvios + nombre;
        if (esNombreSimple(nombre) && !compartido && existe(ruta)) {
            // Moved aside until the rows are gone, and put back if they cannot go.
            std::error_code ec;
            fs::rename(comoRuta(ruta), comoRuta(ruta + ".borrando"), ec);
            if (ec) {
                fallo = "No se puede borrar el documento " + ruta + ": " + ec.message() +
                        ". El escrito no se ha eliminado.";
            } else {
                apartado = ruta + ".borrando";
            }
        }
        if (fallo.empty()) {
            t.confirmar();
        }
    } catch (const ErrorBaseDatos& e) {
        if (!apartado.empty()) {
            std::error_code ec;
            fs::rename(comoRuta(apartado), comoRuta(ruta), ec);
        }
        avisar(ui, std::string("No se puede eliminar el escrito: ") + e.what());
        return false;
    }
    if (!fallo.empty()) {
        avisar(ui, fallo);
        return false;
    }
    if (!apartado.empty()) {
        std::error_code ec;
        fs::remove(comoRuta(apartado), ec);
    }
    return true;
}
