#include "common/ArchivoTemporal.h"
#include "common/BaseDatos.h"
#include "common/ClienteLexnet.h"
#include "common/Enc64.h"
#include "common/General.h"
#include "common/Interaccion.h"
#include "common/LecturaArbol.h"
#include "common/Texto.h"
#include "download/Descarga.h"
#include "download/NombresArchivo.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kCRLF = "\r\n";
// Block numbers are 16-bit: a document that never ends stops at the last one.
constexpr int kUltimoBloque = std::numeric_limits<std::int16_t>::max();
constexpr std::string_view kPrefijoTemporal = "descarga_";
constexpr std::string_view kSufijoTemporal = ".parcial";

struct Documento {
    std::int64_t idAdjunto = 0;
    std::string idLexNet;
    std::int16_t orden = 0;
    std::string nombre;
    std::string numeroProcedimiento;
};

// The name a document has while its blocks arrive.
std::string nombreTemporal(std::int64_t idAdjunto) {
    return std::string(kPrefijoTemporal) + std::to_string(idAdjunto) + std::string(kSufijoTemporal);
}

bool esTemporal(const std::string& nombre) {
    if (!nombre.starts_with(kPrefijoTemporal) || !nombre.ends_with(kSufijoTemporal) ||
        nombre.size() <= kPrefijoTemporal.size() + kSufijoTemporal.size()) {
        return false;
    }
    for (std::size_t i = kPrefijoTemporal.size(); i < nombre.size() - kSufijoTemporal.size(); ++i) {
        if (nombre[i] < '0' || nombre[i] > '9') {
            return false;
        }
    }
    return true;
}

// What a run stopped half-way left behind.
void borrarTemporales(const std::string& carpeta) {
    std::error_code ec;
    std::filesystem::directory_iterator it(comoRuta(carpeta), ec);
    if (ec) {
        return;
    }
    for (const auto& entrada : it) {
        if (esTemporal(comoTexto(entrada.path().filename()))) {
            std::filesystem::remove(entrada.path(), ec);
        }
    }
}

// The text of an element without a copy when it is a single text node.
std::string_view textoDe(const ArbolRespuesta& a, Nodo n, std::string& copia) {
    const Nodo h = a.hijo(n);
    if (h != 0 && a.siguienteHermano(h) == 0 && a.color(h) == ColorNodo::Negro) {
        return a.texto(h);
    }
    copia = valorTexto(a, n);
    return copia;
}

// A document's blocks after `bloque`, as the chain of requests ahead: each answer that shows
// beyond doubt that more blocks follow names the request for the next one.
CadenaPeticiones::Siguiente bloquesSiguientes(Peticiones peticiones, std::int32_t idSesion,
                                              std::string idLexNet, std::int16_t orden,
                                              int bloque) {
    return [=](std::string_view respuesta) mutable -> std::optional<std::string> {
        if (bloque >= kUltimoBloque || !siguenMasBloques(respuesta)) {
            return std::nullopt;
        }
        ++bloque;
        return peticiones.peticionObtenerBloque(idSesion, idLexNet, orden,
                                                static_cast<std::int16_t>(bloque));
    };
}

bool esVerdadero(std::string_view valor) {
    const std::string v = recortar(valor);
    return igualesSinMayusculas(v, "true") || v == "1";
}

} // namespace

void Descarga::DescargarAdjuntos() {
    ui_.ocupado(true);
    BaseDatos& db = *g_.Conexion;
    std::vector<Documento> documentos;
    {
        Sentencia s = db.preparar("SELECT IdAdjunto, IdLexNet, IdOrdenAdjunto, Nombre, "
                                  "NumeroProcedimiento FROM Adjuntos WHERE Completo = 0 "
                                  "ORDER BY IdLexNet, IdOrdenAdjunto");
        while (s.paso()) {
            documentos.push_back({s.entero(0), s.texto(1), static_cast<std::int16_t>(s.entero(2)),
                                  s.texto(3), s.texto(4)});
        }
    }
    if (documentos.empty()) {
        ui_.ocupado(false);
        return;
    }
    borrarTemporales(g_.CarpetaDescargas);
    {
        // The notifications to confirm, recorded before the first block so that no stop
        // can lose a confirmation.
        Transaccion t(db);
        for (const Documento& d : documentos) {
            db.ejecutar("INSERT OR IGNORE INTO ConfirmacionPendiente (IdLexNet) VALUES (?)",
                        d.idLexNet);
        }
        t.confirmar();
    }

    const int n = static_cast<int>(documentos.size());
    for (int k = 1; k <= n; ++k) {
        const Documento& d = documentos[static_cast<std::size_t>(k - 1)];
        ui_.ocupado(true);
        cliente_.estado.ErrorBloque = false;
        cliente_.IdLexNetActual = d.idLexNet;
        ui_.estado("Descargando adjuntos (" + std::to_string(k) + " de " + std::to_string(n) +
                   ") " + kCRLF + d.idLexNet);
        esperar(1);
        const std::string archivo =
            nombreArchivoAdjunto(d.numeroProcedimiento, d.idAdjunto, d.nombre);
        std::function<void()> adelantarSiguiente;
        if (k < n) {
            const Documento& s = documentos[static_cast<std::size_t>(k)];
            adelantarSiguiente = [this, &s] { adelantarBloque(s.idLexNet, s.orden, 0); };
        }
        if (descargarDocumento(d.idAdjunto, d.idLexNet, d.orden, archivo, k, n,
                               adelantarSiguiente)) {
            ++resultado_.documentosCompletados;
        } else {
            ++resultado_.documentosFallidos;
            // A dropped line the user gave up on ends the phase; the driver skips the rest.
            if (cliente_.LineaCaida) {
                break;
            }
        }
    }
    ui_.ocupado(false);
}

void Descarga::adelantarBloque(const std::string& idLexNet, std::int16_t orden, int bloque) {
    const std::int32_t sesion = cliente_.estado.idSesion;
    cliente_.adelantarComando(
        cliente_.peticiones().peticionObtenerBloque(sesion, idLexNet, orden,
                                                    static_cast<std::int16_t>(bloque)),
        " ", "ObtenerBloque",
        bloquesSiguientes(cliente_.peticiones(), sesion, idLexNet, orden, bloque));
}

bool Descarga::descargarDocumento(std::int64_t idAdjunto, const std::string& idLexNet,
                                  std::int16_t orden, const std::string& archivo, int k, int n,
                                  const std::function<void()>& adelantarSiguiente) {
    const auto errorArchivo = [this](const std::system_error& e) {
        ui_.mensaje("Se ha producido el error " + std::to_string(e.code().value()) + kCRLF +
                        e.what(),
                    "Atención:", Icono::Exclamacion, Botones::Aceptar);
    };
    std::unique_ptr<ArchivoTemporal> temporal;
    try {
        temporal = std::make_unique<ArchivoTemporal>(
            comoRuta(g_.CarpetaDescargas + nombreTemporal(idAdjunto)));
    } catch (const std::system_error& e) {
        errorArchivo(e);
        return false;
    }

    const std::string rotulo = "Descargando adjuntos (" + std::to_string(k) + " de " +
                               std::to_string(n) + ") " + idLexNet + kCRLF + kCRLF +
                               " Número adjunto : " + std::to_string(k) + "     Bloque : ";
    const ArbolRespuesta& a = cliente_.Vista;
    const auto peticion = [&](int bloque) {
        return cliente_.peticiones().peticionObtenerBloque(
            cliente_.estado.idSesion, idLexNet, orden, static_cast<std::int16_t>(bloque));
    };
    bool ultimo = false;
    std::vector<Nodo> contenidos;
    std::vector<std::uint8_t> decodificado; // reused from block to block
    // The blocks come through the chain of requests ahead, from the first one on (which may
    // already be on its way, started as the document before ended).
    adelantarBloque(idLexNet, orden, 0);
    for (int bloque = 0; !ultimo && bloque <= kUltimoBloque; ++bloque) {
        ui_.estado(rotulo + std::to_string(bloque + 1));
        cliente_.Vista.limpiar();
        cliente_.EnviarComando(peticion(bloque), " ", "ObtenerBloque");
        if (cliente_.estado.ErrorBloque) {
            return false;
        }
        if (cliente_.ErrorComunicacion) {
            // The document ends here; the run goes on with the next one unless the line
            // dropped.
            cliente_.ErrorComunicacion = cliente_.LineaCaida;
            return false;
        }
        contenidos.clear();
        bool reconocida = false;
        for (Nodo i = 1; i <= a.tamano(); ++i) {
            if (esElemento(a, i, "bytesContenido")) {
                reconocida = true;
                contenidos.push_back(i);
            } else if (esElemento(a, i, "esUltimo")) {
                reconocida = true;
                ultimo = ultimo || esVerdadero(valorTexto(a, i));
            }
        }
        // No answer at all (the exchange gave none) is no block.
        if (!reconocida) {
            return false;
        }
        // LexNET takes one request at a time: the next blocks travel while this one is
        // decoded and written (this starts them when the answer's text left a doubt).
        if (!ultimo && bloque < kUltimoBloque) {
            adelantarBloque(idLexNet, orden, bloque + 1);
        }
        // After the last block, the next document's first one travels while this one is
        // written, flushed and recorded; with the waits on, it keeps its place after them.
        if (ultimo && adelantarSiguiente && !g_.Pausas) {
            adelantarSiguiente();
        }
        for (const Nodo i : contenidos) {
            std::string copia;
            try {
                // Blanks an answer may indent the text with are skipped like line breaks.
                temporal->anadir(MyDecode(textoDe(a, i, copia), decodificado, Blancos::SeIgnoran));
            } catch (const ErrorBase64& e) {
                ui_.mensaje("Se ha producido el error " + std::to_string(e.numero()) + kCRLF +
                                e.what(),
                            "Atención:", Icono::Exclamacion, Botones::Aceptar);
                return false;
            } catch (const std::system_error& e) {
                errorArchivo(e);
                return false;
            }
        }
        if (ultimo) {
            ui_.estado(rotulo + std::to_string(bloque + 1) + " (último)");
            esperar(2);
        }
    }
    if (!ultimo) {
        return false;
    }

    // The file first, whole and under its name; only then the row says so.
    try {
        temporal->colocar(comoRuta(g_.CarpetaDescargas + archivo));
    } catch (const std::system_error& e) {
        errorArchivo(e);
        return false;
    }
    try {
        BaseDatos& db = *g_.Conexion;
        Transaccion t(db);
        db.ejecutar("UPDATE Adjuntos SET NombreQuarel = ?, Completo = 1, DatosAdjunto = ' ' "
                    "WHERE IdAdjunto = ?",
                    archivo, idAdjunto);
        t.confirmar();
    } catch (const ErrorBaseDatos& e) {
        // The row stays incomplete: the next run fetches the document again.
        ui_.mensaje("Se ha producido el error " + std::to_string(e.codigo()) + kCRLF + e.what(),
                    "Atención:", Icono::Exclamacion, Botones::Aceptar);
        return false;
    }
    ui_.procesarEventos();
    return true;
}

void Descarga::NotificarDescargas() {
    ui_.ocupado(true);
    BaseDatos& db = *g_.Conexion;
    // Only notifications now whole: one with a document missing is fetched again next run.
    std::vector<std::string> confirmar;
    {
        Sentencia s = db.preparar(
            "SELECT p.IdLexNet FROM ConfirmacionPendiente p WHERE NOT EXISTS (SELECT 1 FROM "
            "Adjuntos a WHERE a.IdLexNet = p.IdLexNet AND a.Completo = 0) ORDER BY p.IdLexNet");
        while (s.paso()) {
            confirmar.push_back(s.texto(0));
        }
    }
    const std::size_t m = confirmar.size();
    for (std::size_t k = 1; k <= m; ++k) {
        const std::string& id = confirmar[k - 1];
        cliente_.IdLexNetActual = id;
        ui_.estado("Notificando descarga (" + std::to_string(k) + " de " + std::to_string(m) +
                   ") " + id + " ...");
        cliente_.EnviarComando(
            cliente_.peticiones().peticionTerminarDescarga(cliente_.estado.idSesion, id), " ",
            "FinalizarDescarga");
        if (cliente_.LineaCaida) {
            break;
        }
        if (!cliente_.ErrorComunicacion) {
            ++resultado_.notificacionesConfirmadas;
            db.ejecutar("DELETE FROM ConfirmacionPendiente WHERE IdLexNet = ?", id);
        }
    }
    ui_.ocupado(false);
}
