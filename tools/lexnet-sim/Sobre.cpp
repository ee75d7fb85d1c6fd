#include "tools/lexnet-sim/Sobre.h"

#include "tools/lexnet-sim/Xml.h"

#include <charconv>
#include <cstring>

namespace {

constexpr const char* kSoap = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr unsigned kOpciones = pugi::parse_default | pugi::parse_ws_pcdata_single;

// Local name, without a namespace prefix.
std::string_view local(const char* nombre) {
    const char* dos = std::strchr(nombre, ':');
    return dos ? std::string_view(dos + 1) : std::string_view(nombre);
}

pugi::xml_node primerElemento(pugi::xml_node padre) {
    for (pugi::xml_node hijo : padre.children()) {
        if (hijo.type() == pugi::node_element) {
            return hijo;
        }
    }
    return {};
}

pugi::xml_node hijoLocal(pugi::xml_node padre, std::string_view nombre) {
    for (pugi::xml_node hijo : padre.children()) {
        if (hijo.type() == pugi::node_element && local(hijo.name()) == nombre) {
            return hijo;
        }
    }
    return {};
}

std::optional<std::int32_t> entero(const std::string& texto) {
    std::int32_t valor = 0;
    const auto [fin, ec] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    if (ec != std::errc() || fin != texto.data() + texto.size() || texto.empty()) {
        return std::nullopt;
    }
    return valor;
}

} // namespace

std::unique_ptr<Peticion> leerPeticion(const Operacion& operacion, std::string_view cuerpo) {
    pugi::xml_document sobre;
    if (!sobre.load_buffer(cuerpo.data(), cuerpo.size(), kOpciones, pugi::encoding_utf8)) {
        throw PeticionMalformada("el cuerpo no es XML");
    }
    const pugi::xml_node envelope = primerElemento(sobre);
    if (local(envelope.name()) != "Envelope") {
        throw PeticionMalformada("falta soap:Envelope");
    }
    const pugi::xml_node body = hijoLocal(envelope, "Body");
    const pugi::xml_node elemento = primerElemento(body);
    const std::string esperado = std::string(operacion.nombre) + "In";
    if (local(elemento.name()) != esperado) {
        throw PeticionMalformada("soap:Body no contiene " + esperado);
    }

    auto p = std::make_unique<Peticion>();
    p->operacion = &operacion;
    p->espacioOperacion = elemento.attribute("xmlns").value();
    const std::string interior = textoDe(elemento);
    if (!p->mensaje.load_buffer(interior.data(), interior.size(), kOpciones, pugi::encoding_utf8)) {
        throw PeticionMalformada("el mensaje de " + esperado + " no es XML");
    }
    const pugi::xml_node mensajeWS = primerElemento(p->mensaje);
    if (local(mensajeWS.name()) != "mensajeWS") {
        throw PeticionMalformada("falta mensajeWS");
    }
    p->espacioMensaje = mensajeWS.attribute("xmlns").value();
    p->solicitud = primerElemento(mensajeWS);
    if (local(p->solicitud.name()) != operacion.solicitud) {
        throw PeticionMalformada("mensajeWS no contiene " + std::string(operacion.solicitud));
    }
    p->idAplicacion = textoHijo(p->solicitud, "idAplicacion");
    if (operacion.nombre != "Login") {
        p->sesion = entero(textoHijo(p->solicitud, "idSesion"));
        if (!p->sesion) {
            throw PeticionMalformada("idSesion no es un número");
        }
    }
    return p;
}

std::string sobreRespuesta(const Operacion& operacion, std::string_view espacioOperacion,
                           std::string_view mensaje) {
    pugi::xml_document sobre;
    pugi::xml_node envelope = sobre.append_child("soap:Envelope");
    envelope.append_attribute("xmlns:soap") = kSoap;
    envelope.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    envelope.append_attribute("xmlns:xsd") = "http://www.w3.org/2001/XMLSchema";
    pugi::xml_node salida =
        anadir(envelope.append_child("soap:Body"), std::string(operacion.nombre) + "Out", mensaje);
    if (!espacioOperacion.empty()) {
        salida.append_attribute("xmlns") = std::string(espacioOperacion).c_str();
    }
    return serializar(sobre);
}

std::string paginaError(int estado) {
    const std::string titulo =
        estado == 503 ? "503 Service Temporarily Unavailable" : "500 Internal Server Error";
    const std::string texto = estado == 503
                                  ? "The server is temporarily unable to service your request "
                                    "due to maintenance downtime or capacity problems. Please "
                                    "try again later."
                                  : "The server encountered an internal error or "
                                    "misconfiguration and was unable to complete your request.";
    return "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n<title>" + titulo +
           "</title>\n</head><body>\n<h1>" + titulo.substr(4) + "</h1>\n<p>" + texto +
           "</p>\n</body></html>\n";
}
