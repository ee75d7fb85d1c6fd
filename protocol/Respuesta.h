#pragma once

#include "protocol/ArbolRespuesta.h"
#include "settings/Ajustes.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class Interaccion;

// What the answers of one main window leave behind for the run drivers.
struct EstadoSesion {
    std::int32_t idSesion = 0; // 0: no session
    std::int16_t NumeroPendientes = 0;
    bool ErrorBloque = false; // set by a block answer carrying "respuestaError"; never cleared here
    std::string textoSesion;  // caption of lbSession after a login answer
};

// A value of an answer that is not a number, or a number that does not fit its type.
// Carries the error number and description the user is shown.
class ErrorConversion : public std::runtime_error {
public:
    static constexpr std::int32_t kTiposNoCoinciden = 13;
    static constexpr std::int32_t kDesbordamiento = 6;

    explicit ErrorConversion(std::int32_t numero);

    std::int32_t numero() const { return numero_; }
    std::string descripcion() const { return what(); }

private:
    std::int32_t numero_;
};

// Whole decimal numbers with an optional sign, blanks around them allowed. Anything else
// throws ErrorConversion(kTiposNoCoinciden); a number outside the type throws
// ErrorConversion(kDesbordamiento).
std::int32_t comoEntero32(std::string_view texto);
std::int16_t comoEntero16(std::string_view texto);

// The text content of an XML document: all its text and CDATA, in document order. A SOAP
// answer carries the LexNET message as escaped text, so this is the message itself.
// "" when the text is not an XML document.
std::string textoDelDocumento(std::string_view xml);
// The same into `texto`, written over what it held.
void textoDelDocumento(std::string_view xml, std::string& texto);

// What an answer's text shows before it is read, found in one pass over it (a block's answer
// is megabytes long): the server's two error pages and a LexNET error answer.
struct SenalesRespuesta {
    bool pagina503 = false;
    bool pagina500 = false;
    bool respuestaError = false;
};
SenalesRespuesta senalesDe(std::string_view respuesta);

// Screens the answer for the server's error pages (which end the program at once), takes
// the LexNET message out of it and, as the service calls for, loads it into `vista`. A
// login answer also gives the session identifier and the count of pending notifications.
// Throws ErrorConversion when a login value is not a number that fits.
void ProcesaRespuesta(std::string_view respuesta, std::string_view servicio, Programa programa,
                      ArbolRespuesta& vista, EstadoSesion& estado, Interaccion& ui);
// The same, with the answer's signs already found.
void ProcesaRespuesta(std::string_view respuesta, const SenalesRespuesta& senales,
                      std::string_view servicio, Programa programa, ArbolRespuesta& vista,
                      EstadoSesion& estado, Interaccion& ui);

// Reports a LexNET error answer ("respuestaError") and, unless the caller of this service
// goes on after an error, ends the program through the main window's shutdown. Returns
// at once for any other answer.
void ComprobarErrorServicio(std::string_view respuesta, std::string_view servicio,
                            Programa programa, const ArbolRespuesta& vista,
                            std::string_view idLexNetActual, Interaccion& ui);
void ComprobarErrorServicio(std::string_view respuesta, const SenalesRespuesta& senales,
                            std::string_view servicio, Programa programa,
                            const ArbolRespuesta& vista, std::string_view idLexNetActual,
                            Interaccion& ui);
