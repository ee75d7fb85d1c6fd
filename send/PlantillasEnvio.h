#pragma once

// The EnviarMensaje request of a writ: its templates, loaded once at start-up, and the
// request filled from the local database for one pending writ.

#include "protocol/Peticiones.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BaseDatos;

// The nine templates of the announcement, each with its ###...### placeholders.
struct PlantillasEnvio {
    std::string cabecera;           // envelope head
    std::string cola;               // envelope tail
    std::string abreDestinos;       // "&lt;destinos&gt;"
    std::string cierraDestinos;     // "&lt;/destinos&gt;"
    std::string destinoOrgano;      // the court, copia false
    std::string destinoProfesional; // a copy recipient with its entity, copia true
    std::string abreAdjuntos;
    std::string cierraAdjuntos;
    std::string adjunto;
    std::string cuerpo; // the EnviarMensajeIn element with ###DESTINOS### and ###ADJUNTOS###
};

PlantillasEnvio CargarPlantillasEnvio(const Peticiones& peticiones);

// Replaces the first occurrence of `marca` by `valor`, inserted as it is.
void reemplazarPrimero(std::string& texto, std::string_view marca, std::string_view valor);

// One pending writ as the send run reads it.
struct EscritoPendiente {
    std::int32_t id = 0; // Id_MensajeEnvio
    std::string referencia;
    std::string numeroProcedimiento;
    std::string tipoProcedimiento;
    std::string destinatario;
    std::string adjunto; // the main document's file name
};

// The pending writs, oldest first; writs stored in the same second in the order stored.
std::vector<EscritoPendiente> escritosPendientes(BaseDatos& db);

// The documents of a writ as full paths: the main one first, then the others in the
// order they were added.
std::vector<std::string> documentosDelEscrito(BaseDatos& db, const EscritoPendiente& e,
                                              const std::string& carpetaEnvios);

// The filled request, or the reason it cannot be composed (a procedure type, court or
// copy recipient missing from the directory).
struct Composicion {
    std::string peticion;
    std::string error;
};

// The organ number of a court code: characters 8 onwards, by their numeric value.
std::string numeroOrganoDe(std::string_view destinatario);

Composicion componerEnviarMensaje(BaseDatos& db, const PlantillasEnvio& p,
                                  const EscritoPendiente& e,
                                  const std::vector<std::string>& documentos,
                                  std::int32_t idSesion);

// The EnviarBloque request of one block; `base64` is the block's bytes in Base64.
std::string peticionEnviarBloque(const Peticiones& peticiones, std::int32_t idSesion,
                                 std::int32_t idEnvio, int bloque, bool esUltimo,
                                 std::string_view base64);
