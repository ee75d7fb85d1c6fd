#pragma once

#include "protocol/ArbolRespuesta.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class BaseDatos;
class Interaccion;

// Kinds of the LexNET directory, as the column `tipo` of OrigenDestino stores them.
enum class ClaseDestinatario { Organo = 1, Entidad = 2, Profesional = 3 };

// One court, entity or professional of an ObtenerDestinatarios answer, every value as the
// answer writes it; a field the record does not give is empty. Which fields count depends
// on the kind.
struct DestinatarioLeido {
    ClaseDestinatario clase = ClaseDestinatario::Organo;
    std::string dn;
    std::string nombre;
    std::string codigoPoblacion; // court
    std::string tipoOrgano;      // court
    std::string numeroOrgano;    // court
    std::string partidoJudicial; // entity
    std::string tipo;            // entity, professional
    std::string certificado;     // professional from here on
    std::string nif;
    std::string apellido1;
    std::string apellido2;
    std::string email;
    std::string codigo;
    std::string codigoColegiado;
};

// One "destinatario" record: a professional may name the entity it belongs to.
struct RegistroDirectorio {
    DestinatarioLeido destinatario;
    std::optional<DestinatarioLeido> entidad;
};

// One procedure type of an ObtenerTiposProcedimiento answer, values as written.
struct TipoProcedimientoLeido {
    std::string codigo;
    std::string texto;
    std::string leyAntigua;
};

// The records of the answers, in order, read by their element names inside each record:
// an element the reader does not know, a missing or empty one, never moves the fields of
// the records after it. A "destinatario" whose first element is not a court, an entity
// or a professional gives no record.
void recorrerDestinatarios(const ArbolRespuesta& vista,
                           const std::function<void(const RegistroDirectorio&)>& registro);
std::vector<TipoProcedimientoLeido> leerTiposProcedimiento(const ArbolRespuesta& vista);

// What a refresh stored.
struct ResultadoGrabacion {
    std::size_t filas = 0;
    // Procedure types whose leyAntigua was not a boolean (stored as false).
    std::vector<std::string> leyAntiguaNoValida;
};

// Replace the whole directory (OrigenDestino) or catalogue (TipoProcedimiento) with the
// answer's records, in one transaction: the first record of a `dn` (of a code) wins, a
// professional's entity is stored as an entity right after it. A record without a dn is
// always stored; a professional's entity without one is not. A database failure rolls
// everything back, so the previous rows stay as they were, then is shown ("Se ha producido
// el error N - description") and ends the program.
ResultadoGrabacion GrabarDestinatarios(const ArbolRespuesta& vista, BaseDatos& db, Interaccion& ui);
ResultadoGrabacion GrabarTiposProcedimiento(const ArbolRespuesta& vista, BaseDatos& db,
                                            Interaccion& ui);
