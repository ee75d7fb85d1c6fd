#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

// Namespace URIs of the LexNET requests. The SOAP and XML Schema ones are the published
// values; the LexNET ones belong to the service and come from the settings file.
struct EspaciosLexnet {
    static constexpr const char* kSoap = "http://schemas.xmlsoap.org/soap/envelope/";
    static constexpr const char* kXsi = "http://www.w3.org/2001/XMLSchema-instance";
    static constexpr const char* kXsd = "http://www.w3.org/2001/XMLSchema";

    static constexpr const char* kOperaciones = "http://www.lexnet.justicia.es/ws/";
    static constexpr const char* kMensajeWS = "http://www.lexnet.justicia.es/ws/mensajeWS";

    // Base of the operation namespaces: an operation's namespace is this text followed
    // directly by the operation name ("Login", "TerminarDescarga"...).
    std::string operaciones = kOperaciones;
    // Namespace of the mensajeWS document carried inside every request.
    std::string mensajeWS = kMensajeWS;
    // Whole namespace URI by operation name, for an operation that does not follow the base.
    std::map<std::string, std::string, std::less<>> porOperacion;

    std::string espacioDe(std::string_view operacion) const;
};
