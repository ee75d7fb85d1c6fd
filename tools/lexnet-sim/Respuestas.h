#pragma once

#include "tools/lexnet-sim/Datos.h"

#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

// The mensajeWS documents of the answers. The programs read an answer as a flat list of
// nodes in document order, where an element's value is the node right after it, and they
// move between records by sibling order; the shapes below keep every list in a container
// of its own and every record's fields in one fixed order.

// An answer under construction: mensajeWS with the answer element of the operation.
struct Respuesta {
    std::unique_ptr<pugi::xml_document> documento;
    pugi::xml_node raiz; // the answer element inside mensajeWS

    Respuesta(std::string_view espacioMensaje, std::string_view nombreRaiz);
};

// respuestaError with its code and description.
Respuesta respuestaError(std::string_view espacioMensaje, std::string_view codigo,
                         std::string_view texto);

// A court, entity or professional ("clase" names which) as an element of that name with its
// fields; a professional's entity nests inside it, after the professional's own fields.
void anadirInterviniente(pugi::xml_node padre, const Json& interviniente);

// <cabecera>: id, fechaEnvio, leido, fechaUltimaDescarga, <origen> with the sender, and
// <datos>, which also ends the sender's block for the reader.
void anadirCabecera(pugi::xml_node padre, const Notificacion& notificacion);
// <datos>: asunto, tipoProcedimiento (codigo, texto, leyAntigua), numeroProcedimiento,
// referencia, informacionExterna (idExterno, nombreSistema).
void anadirDatos(pugi::xml_node padre, const Json& campos);
// <mensaje>: id, datos, <adjuntos> with one <adjunto> (idAdjunto, nombre, principal) per
// document, <firmantes>, and the block size last.
void anadirMensaje(pugi::xml_node padre, const Notificacion& notificacion, std::size_t tamBloque);
