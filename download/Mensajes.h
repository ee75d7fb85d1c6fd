#pragma once

#include "protocol/ArbolRespuesta.h"

#include <string>
#include <string_view>
#include <vector>

class BaseDatos;

// One attachment of an ObtenerMensaje answer, values as the answer writes them.
struct AdjuntoLeido {
    std::string idAdjunto;
    std::string nombre;
    std::string principal;
    std::string tamBloque; // the first "tamBloque" after the attachment
};

struct MensajeLeido {
    std::string numeroProcedimiento;
    std::vector<AdjuntoLeido> adjuntos;
};

// The procedure number and the attachments (the first "adjunto" element and its sibling
// "adjunto" elements) of the answer.
MensajeLeido leerMensaje(const ArbolRespuesta& vista);

// Adds an incomplete Adjuntos row for each attachment of the answer that the notification
// does not have yet (same notification, same attachment number); rows already stored are
// left as they are. Stops at an attachment whose number or "principal" flag does not
// convert, or at a database failure, keeping the rows added before. Returns the rows added.
int GrabarAdjuntos(const ArbolRespuesta& vista, BaseDatos& db, std::string_view idLexNet);
