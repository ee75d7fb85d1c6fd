#include "download/DescargaAdjuntos.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/NombresArchivo.h"
#include "platform/ArchivoTemporal.h"
#include "protocol/ClienteLexnet.h"
#include "protocol/Enc64.h"
#include "protocol/LecturaArbol.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

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
    if (h != 0 && a.siguienteHermano(h) == 0 && a.tipo(h) == TipoNodo::Texto) {
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

// Starts the request for a block ahead, and after it each next block of the document that the
// answers show.
void adelantarBloque(ClienteLexnet& cliente, const std::string& idLexNet, std::int16_t orden,
                     int bloque) {
    const std::int32_t sesion = cliente.estado.idSesion;
    cliente.adelantarComando(
        cliente.peticiones().peticionObtenerBloque(sesion, idLexNet, orden,
                                                   static_cast<std::int16_t>(bloque)),
        " ", "ObtenerBloque",
        bloquesSiguientes(cliente.peticiones(), sesion, idLexNet, orden, bloque));
}

// What became of one document.
enum class FinDocumento { Completo, Fallido, LineaCaida };

// One document from block 0 to its last, its bytes counted in `avance` as they are stored.
// `adelantarSiguiente`, when given, starts the next
// document's first block.
FinDocumento descargarDocumento(ContextoDescarga& c, std::int64_t idAdjunto,
                                const std::string& idLexNet, std::int16_t orden,
                                const std::string& archivo, Progreso& avance,
                                const std::function<void()>& adelantarSiguiente) {
    ClienteLexnet& cliente = c.cliente;
    const auto errorArchivo = [&c](const std::system_error& e) {
        mostrarError(c.ui, e.code().value(), e.what(), UnionError::Linea);
        return FinDocumento::Fallido;
    };
    std::unique_ptr<ArchivoTemporal> temporal;
    try {
        temporal = std::make_unique<ArchivoTemporal>(
            comoRuta(c.g.CarpetaDescargas + nombreTemporal(idAdjunto)));
    } catch (const std::system_error& e) {
        return errorArchivo(e);
    }

    const std::string k = std::to_string(avance.k);
    const std::string rotulo = "Descargando adjuntos (" + k + " de " + std::to_string(avance.n) +
                               ") " + idLexNet + kCRLF + kCRLF + " Número adjunto : " + k +
                               "     Bloque : ";
    const ArbolRespuesta& a = cliente.Vista;
    const auto peticion = [&](int bloque) {
        return cliente.peticiones().peticionObtenerBloque(cliente.estado.idSesion, idLexNet, orden,
                                                          static_cast<std::int16_t>(bloque));
    };
    bool ultimo = false;
    std::vector<Nodo> contenidos;
    std::vector<std::uint8_t> decodificado; // reused from block to block
    // The blocks come through the chain of requests ahead, from the first one on (which may
    // already be on its way, started as the document before ended).
    adelantarBloque(cliente, idLexNet, orden, 0);
    for (int bloque = 0; !ultimo && bloque <= kUltimoBloque; ++bloque) {
        c.ui.estado(rotulo + std::to_string(bloque + 1));
        cliente.Vista.limpiar();
        const Intercambio r = cliente.EnviarComando(peticion(bloque), " ", "ObtenerBloque");
        if (cliente.estado.ErrorBloque) {
            return FinDocumento::Fallido;
        }
        if (fallido(r)) {
            // The document ends here; the run goes on with the next one unless the line
            // dropped.
            return r == Intercambio::LineaCaida ? FinDocumento::LineaCaida : FinDocumento::Fallido;
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
            return FinDocumento::Fallido;
        }
        // LexNET takes one request at a time: the next blocks travel while this one is
        // decoded and written (this starts them when the answer's text left a doubt).
        if (!ultimo && bloque < kUltimoBloque) {
            adelantarBloque(cliente, idLexNet, orden, bloque + 1);
        }
        // After the last block, the next document's first one travels while this one is
        // written, flushed and recorded; with the waits on, it keeps its place after them.
        if (ultimo && adelantarSiguiente && !c.g.Pausas) {
            adelantarSiguiente();
        }
        for (const Nodo i : contenidos) {
            std::string copia;
            try {
                // Blanks an answer may indent the text with are skipped like line breaks.
                temporal->anadir(
                    decodificarBase64(textoDe(a, i, copia), decodificado, Blancos::SeIgnoran));
            } catch (const ErrorBase64& e) {
                mostrarError(c.ui, e.numero(), e.what(), UnionError::Linea);
                return FinDocumento::Fallido;
            } catch (const std::system_error& e) {
                return errorArchivo(e);
            }
        }
        avance.bytes += temporal->tamano() - avance.bytesElemento;
        avance.bytesElemento = temporal->tamano();
        c.ui.progreso(avance);
        if (ultimo) {
            c.ui.estado(rotulo + std::to_string(bloque + 1) + " (último)");
            c.esperar(2);
        }
    }
    if (!ultimo) {
        return FinDocumento::Fallido;
    }

    // The file first, whole and under its name; only then the row says so.
    try {
        temporal->colocar(comoRuta(c.g.CarpetaDescargas + archivo));
    } catch (const std::system_error& e) {
        return errorArchivo(e);
    }
    try {
        BaseDatos& db = c.db;
        Transaccion t(db);
        db.ejecutar("UPDATE Adjuntos SET NombreQuarel = ?, Completo = 1, DatosAdjunto = ' ' "
                    "WHERE IdAdjunto = ?",
                    archivo, idAdjunto);
        t.confirmar();
    } catch (const ErrorBaseDatos& e) {
        // The row stays incomplete: the next run fetches the document again.
        mostrarError(c.ui, e.codigo(), e.what(), UnionError::Linea);
        return FinDocumento::Fallido;
    }
    c.ui.procesarEventos();
    return FinDocumento::Completo;
}

} // namespace

bool DescargarAdjuntos(ContextoDescarga& c) {
    const PunteroOcupado ocupado(c.ui);
    BaseDatos& db = c.db;
    ClienteLexnet& cliente = c.cliente;
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
        return true;
    }
    borrarTemporales(c.g.CarpetaDescargas);
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
    Progreso avance;
    avance.n = n;
    for (int k = 1; k <= n; ++k) {
        const Documento& d = documentos[static_cast<std::size_t>(k - 1)];
        c.ui.ocupado(true);
        cliente.estado.ErrorBloque = false;
        cliente.IdLexNetActual = d.idLexNet;
        c.ui.estado("Descargando adjuntos (" + std::to_string(k) + " de " + std::to_string(n) +
                    ") " + kCRLF + d.idLexNet);
        c.esperar(1);
        const std::string archivo =
            nombreArchivoAdjunto(d.numeroProcedimiento, d.idAdjunto, d.nombre);
        std::function<void()> adelantarSiguiente;
        if (k < n) {
            const Documento& s = documentos[static_cast<std::size_t>(k)];
            adelantarSiguiente = [&cliente, &s] {
                adelantarBloque(cliente, s.idLexNet, s.orden, 0);
            };
        }
        avance.k = k;
        avance.fase = Progreso::Fase::EnCurso;
        avance.bytesElemento = 0;
        avance.nombre = archivo;
        c.ui.progreso(avance);
        const FinDocumento fin = descargarDocumento(c, d.idAdjunto, d.idLexNet, d.orden, archivo,
                                                    avance, adelantarSiguiente);
        avance.fase =
            fin == FinDocumento::Completo ? Progreso::Fase::Hecho : Progreso::Fase::Fallido;
        c.ui.progreso(avance);
        if (fin == FinDocumento::Completo) {
            ++c.resultado.documentosCompletados;
        } else {
            ++c.resultado.documentosFallidos;
            // A dropped line the user gave up on ends the phase, and the run.
            if (fin == FinDocumento::LineaCaida) {
                return false;
            }
        }
    }
    return true;
}
