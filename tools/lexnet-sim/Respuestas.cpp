#include "tools/lexnet-sim/Respuestas.h"

#include "tools/lexnet-sim/Xml.h"

#include <string>

namespace {

constexpr std::initializer_list<const char*> kCamposEntidad = {"nombre", "partidoJudicial", "tipo",
                                                               "dn"};

} // namespace

Respuesta::Respuesta(std::string_view espacioMensaje, std::string_view nombreRaiz)
    : documento(std::make_unique<pugi::xml_document>()) {
    pugi::xml_node mensajeWS = documento->append_child("mensajeWS");
    if (!espacioMensaje.empty()) {
        mensajeWS.append_attribute("xmlns") = std::string(espacioMensaje).c_str();
    }
    raiz = anadir(mensajeWS, nombreRaiz);
}

Respuesta respuestaError(std::string_view espacioMensaje, std::string_view codigo,
                         std::string_view texto) {
    Respuesta r(espacioMensaje, "respuestaError");
    anadir(r.raiz, "codigo", codigo);
    anadir(r.raiz, "texto", texto);
    return r;
}

void anadirInterviniente(pugi::xml_node padre, const Json& interviniente) {
    const std::string clase = interviniente.value("clase", "");
    pugi::xml_node e = anadir(padre, clase);
    if (clase == "organoJudicial") {
        anadirCampos(e, interviniente,
                     {"codigoPoblacion", "tipoOrgano", "numeroOrgano", "dn", "nombre"});
    } else if (clase == "entidad") {
        anadirCampos(e, interviniente, kCamposEntidad);
    } else {
        anadirCampos(e, interviniente,
                     {"certificado", "nif", "nombre", "apellido1", "apellido2", "email", "dn",
                      "tipo", "codigo", "codigoColegiado"});
        if (interviniente.contains("entidad")) {
            anadirCampos(anadir(e, "entidad"), interviniente.at("entidad"), kCamposEntidad);
        }
    }
}

void anadirDatos(pugi::xml_node padre, const Json& campos) {
    pugi::xml_node datos = anadir(padre, "datos");
    anadirCampos(datos, campos, {"asunto"});
    if (campos.contains("tipoProcedimiento")) {
        anadirCampos(anadir(datos, "tipoProcedimiento"), campos.at("tipoProcedimiento"),
                     {"codigo", "texto", "leyAntigua"});
    }
    anadirCampos(datos, campos, {"numeroProcedimiento", "referencia"});
    if (campos.contains("idExterno") || campos.contains("nombreSistema")) {
        anadirCampos(anadir(datos, "informacionExterna"), campos, {"idExterno", "nombreSistema"});
    }
}

void anadirCabecera(pugi::xml_node padre, const Notificacion& notificacion) {
    const Json& c = notificacion.campos;
    pugi::xml_node cabecera = anadir(padre, "cabecera");
    anadir(cabecera, "id", notificacion.id);
    anadirCampos(cabecera, c, {"fechaEnvio", "leido", "fechaUltimaDescarga"});
    if (c.contains("origen")) {
        anadirInterviniente(anadir(cabecera, "origen"), c.at("origen"));
    }
    anadirDatos(cabecera, c);
}

void anadirMensaje(pugi::xml_node padre, const Notificacion& notificacion, std::size_t tamBloque) {
    pugi::xml_node mensaje = anadir(padre, "mensaje");
    anadir(mensaje, "id", notificacion.id);
    anadirDatos(mensaje, notificacion.campos);
    pugi::xml_node adjuntos = anadir(mensaje, "adjuntos");
    for (const Documento& d : notificacion.documentos) {
        pugi::xml_node adjunto = anadir(adjuntos, "adjunto");
        anadir(adjunto, "idAdjunto", d.idAdjunto);
        anadir(adjunto, "nombre", d.nombre);
        anadir(adjunto, "principal", d.principal);
    }
    if (!notificacion.campos.value("omitirFirmantes", false)) {
        pugi::xml_node firmantes = anadir(mensaje, "firmantes");
        for (const Json& f : notificacion.campos.value("firmantes", Json::array())) {
            anadirObjeto(anadir(firmantes, "firmante"), f);
        }
    }
    anadir(mensaje, "tamBloque", std::to_string(tamBloque));
}
