#pragma once

#include <string_view>

// The eleven operations: the URL suffix, the root element of the request inside mensajeWS
// and the root element of the answer.
struct Operacion {
    std::string_view nombre;
    std::string_view solicitud;
    std::string_view respuesta;
};

// nullptr for a name that is not one of the eleven (compared exactly, as URLs are).
const Operacion* buscarOperacion(std::string_view nombre);
