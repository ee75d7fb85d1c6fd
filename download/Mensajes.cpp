#include "download/Mensajes.h"

#include "protocol/LecturaArbol.h"
#include "protocol/Respuesta.h"
#include "storage/BaseDatos.h"

#include <memory>
#include <optional>

namespace {

AdjuntoLeido leerAdjunto(const ArbolRespuesta& a, Nodo n, Nodo& fin) {
    fin = a.tamano();
    if (a.hijo(n) != 0) {
        fin = a.ultimoDescendiente(n);
    } else {
        // Fields written after an empty "adjunto": up to the next attachment or the signers.
        for (Nodo i = n + 1; i <= a.tamano(); ++i) {
            if (esElemento(a, i, "adjunto") || esElemento(a, i, "firmantes")) {
                fin = i - 1;
                break;
            }
        }
    }
    AdjuntoLeido r;
    for (Nodo i = n + 1; i <= fin; ++i) {
        if (esElemento(a, i, "idAdjunto")) {
            r.idAdjunto = valorTexto(a, i);
        } else if (esElemento(a, i, "nombre")) {
            r.nombre = valorTexto(a, i);
        } else if (esElemento(a, i, "principal")) {
            r.principal = valorTexto(a, i);
        }
    }
    return r;
}

std::optional<std::int32_t> tamanoDeBloque(std::string_view valor) {
    try {
        return comoEntero32(valor);
    } catch (const ErrorConversion&) {
        // Stored for the record only: a missing or odd value does not stop the download.
        return std::nullopt;
    }
}

} // namespace

MensajeLeido leerMensaje(const ArbolRespuesta& a) {
    MensajeLeido m;
    Nodo primero = 0;
    bool hayNumero = false;
    for (Nodo n = 1; n <= a.tamano() && (!hayNumero || primero == 0); ++n) {
        if (!hayNumero && esElemento(a, n, "numeroProcedimiento")) {
            m.numeroProcedimiento = valorTexto(a, n);
            hayNumero = true;
        } else if (primero == 0 && esElemento(a, n, "adjunto")) {
            primero = n;
        }
    }
    for (Nodo n = primero; n != 0; n = a.siguienteHermano(n)) {
        if (!esElemento(a, n, "adjunto")) {
            continue;
        }
        Nodo fin = 0;
        AdjuntoLeido adjunto = leerAdjunto(a, n, fin);
        for (Nodo i = fin + 1; i <= a.tamano(); ++i) {
            if (esElemento(a, i, "tamBloque")) {
                adjunto.tamBloque = valorTexto(a, i);
                break;
            }
        }
        m.adjuntos.push_back(std::move(adjunto));
    }
    return m;
}

int GrabarAdjuntos(const ArbolRespuesta& vista, BaseDatos& db, std::string_view idLexNet) {
    const MensajeLeido m = leerMensaje(vista);
    if (m.adjuntos.empty()) {
        return 0;
    }
    int anadidos = 0;
    std::unique_ptr<Transaccion> transaccion;
    try {
        transaccion = std::make_unique<Transaccion>(db);
        for (const AdjuntoLeido& adjunto : m.adjuntos) {
            const std::int16_t orden = comoEntero16(adjunto.idAdjunto);
            const bool principal = logicoLexnet(adjunto.principal);
            if (HayRegistros(db, "SELECT 1 FROM Adjuntos WHERE IdLexNet = ? AND IdOrdenAdjunto = ?",
                             idLexNet, orden)) {
                continue;
            }
            db.ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Principal, "
                        "TamBloque, DatosAdjunto, Completo, NumeroProcedimiento) "
                        "VALUES (?, ?, ?, ?, ?, ' ', 0, ?)",
                        idLexNet, orden, adjunto.nombre, principal,
                        tamanoDeBloque(adjunto.tamBloque), m.numeroProcedimiento);
            ++anadidos;
        }
    } catch (const ErrorConversion&) {
        // The rest of this message is not stored; the run goes on.
    } catch (const ErrorBaseDatos&) {
    }
    if (transaccion) {
        try {
            transaccion->confirmar();
        } catch (const ErrorBaseDatos&) {
            anadidos = 0;
        }
    }
    return anadidos;
}
