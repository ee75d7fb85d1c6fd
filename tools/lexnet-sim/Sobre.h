#pragma once

#include "tools/lexnet-sim/Operaciones.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

// A request as received: the SOAP envelope opened and the mensajeWS document it carries as
// escaped text parsed.
struct Peticion {
    const Operacion* operacion = nullptr;
    std::string espacioOperacion; // xmlns of the "<Operation>In" element
    std::string espacioMensaje;   // xmlns of mensajeWS
    pugi::xml_document mensaje;
    pugi::xml_node solicitud; // root element inside mensajeWS
    std::optional<std::int32_t> sesion;
    std::string idAplicacion;
};

class PeticionMalformada : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws PeticionMalformada, saying what is wrong, when the envelope, the operation
// element, the inner document, its request element or the session number is not as
// every request of that operation has it.
std::unique_ptr<Peticion> leerPeticion(const Operacion& operacion, std::string_view cuerpo);

// The SOAP 1.1 answer: "<Operation>Out" holding the mensajeWS document as escaped text.
std::string sobreRespuesta(const Operacion& operacion, std::string_view espacioOperacion,
                           std::string_view mensaje);

// The web server's own error pages, as a front-end server sends them (503 and 500).
std::string paginaError(int estado);
