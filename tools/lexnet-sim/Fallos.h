#pragma once

#include "tools/lexnet-sim/Datos.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

struct Peticion;

// One misbehaviour of the service, for the requests of one operation that meet its
// conditions ("si": request values that must match, compared as text).
struct Fallo {
    enum class Tipo {
        Pagina503,     // the front-end's "503 Service Temporarily Unavailable" page
        Pagina500,     // its "500 Internal Server Error" page
        Error,         // respuestaError with `codigo` and `texto`
        Cortar,        // the connection closed without an answer
        Esperar,       // the answer held back `segundos`
        Base64Erroneo, // every bytesContenido of the answer one character short
        Omitir,        // the answer without the elements named in `elementos`
        Sustituir,     // the answer with the texts of `valores` (element name -> text)
        Redirigir,     // a 307 to `destino`; not carried out
        LargoFalso,    // carried out; the answer claims a Content-Length of `largo`, then
                       // the connection is closed
    };
    std::string operacion;
    Tipo tipo = Tipo::Error;
    std::string nombreTipo;
    Json si = Json::object();
    int veces = 0; // 0: every matching request; otherwise that many, then it is spent
    std::string codigo = "ERROR_SIMULADO";
    std::string texto = "Error simulado";
    double segundos = 0;
    bool procesar = false; // Cortar: carry the request out before closing
    std::vector<std::string> elementos;
    Json valores = Json::object();
    std::string destino;
    std::string largo = "9223372036854775807";

    // The request is not carried out: a page, a refusal or a cut takes its place.
    bool sustituyeLaPeticion() const {
        return tipo == Tipo::Pagina503 || tipo == Tipo::Pagina500 || tipo == Tipo::Error ||
               tipo == Tipo::Redirigir || (tipo == Tipo::Cortar && !procesar);
    }
};

// Throws std::runtime_error when the JSON ({"fallos": [...]}) is not valid.
std::vector<Fallo> leerFallos(const Json& json);
std::vector<Fallo> cargarFallos(const std::filesystem::path& archivo);

// The values of a request that conditions match: sesion, idLexNet (id or idMensaje),
// idAdjunto, bloque (idBloquePedido or idBloqueEnviado), idEnvio, esUltimo, and every other
// field of the request element that holds only text.
Json clavesDe(const Peticion& peticion);

// Applies the answer-changing kinds (Base64Erroneo, Omitir, Sustituir) to an answer.
void alterarRespuesta(const Fallo& fallo, pugi::xml_node mensaje);

// The faults in force; shared by the request threads.
class Fallos {
public:
    void reemplazar(std::vector<Fallo> fallos);
    // The first fault for that operation whose conditions the request meets, counted as
    // used once more.
    std::optional<Fallo> tomar(std::string_view operacion, const Json& claves);

private:
    std::mutex mutex_;
    std::vector<Fallo> fallos_;
    std::vector<int> usados_;
};
