#include "tools/lexnet-sim/Base64.h"
#include "tools/lexnet-sim/PartesMime.h"
#include "tools/lexnet-sim/Registro.h"
#include "tools/lexnet-sim/Simulacion.h"
#include "tools/lexnet-sim/Xml.h"

#include <algorithm>
#include <fstream>

namespace {

bool existeProfesional(const Json& destinatarios, const std::string& nif) {
    return std::any_of(destinatarios.begin(), destinatarios.end(), [&](const Json& d) {
        return d.value("clase", "") == "profesional" && textoDe(d.value("nif", Json())) == nif;
    });
}

bool existeTipo(const Json& tipos, const std::string& codigo) {
    return std::any_of(tipos.begin(), tipos.end(),
                       [&](const Json& t) { return textoDe(t.value("codigo", Json())) == codigo; });
}

void escribir(const std::filesystem::path& archivo, std::string_view contenido) {
    std::ofstream f(archivo, std::ios::binary | std::ios::trunc);
    f.write(contenido.data(), static_cast<std::streamsize>(contenido.size()));
}

// What the signed entity holds: the main document (the part before "firma_documento.p7s"),
// its detached signature checked against it, and the documents that follow; the parts of
// LexNET's starting document come first and are not documents.
struct Documentos {
    std::vector<std::string> bytes; // main first
    std::vector<std::string> nombres;
    ResultadoFirma firma;
    std::string problema; // empty when the entity holds what the announcement listed
};

Documentos documentosDe(const std::string& mime, const VerificadorFirma& verificador,
                        const std::string& certificado, std::size_t anunciados) {
    Documentos d;
    const auto contenido = VerificadorFirma::contenidoFirmado(mime);
    const auto partes = contenido ? partesMime(*contenido) : std::nullopt;
    if (!partes) {
        d.problema = "el contenido firmado no es un mensaje MIME de varias partes";
        return d;
    }
    std::size_t firma = 0;
    while (firma < partes->size() && (*partes)[firma].nombre != "firma_documento.p7s") {
        ++firma;
    }
    if (firma == 0 || firma == partes->size()) {
        d.problema = "falta el documento principal o su firma firma_documento.p7s";
        return d;
    }
    for (std::size_t i = firma - 1; i < partes->size(); ++i) {
        if (i != firma) {
            d.bytes.push_back((*partes)[i].bytes);
            d.nombres.push_back((*partes)[i].nombre);
        }
    }
    d.firma = verificador.verificarSeparada((*partes)[firma].bytes, d.bytes[0], certificado);
    if (!d.firma.valida || !d.firma.delTitular) {
        d.problema =
            "la firma del documento principal no es válida: " +
            (d.firma.valida ? std::string("firmado por otro certificado") : d.firma.detalle);
    } else if (d.bytes.size() != anunciados) {
        d.problema = "se anunciaron " + std::to_string(anunciados) + " documentos y llegaron " +
                     std::to_string(d.bytes.size());
    }
    return d;
}

} // namespace

// The announcement of a writ: its procedure type, its court (the one destination that is
// not a copy), its copy recipients and its documents (one of them the main one) must all
// be known and consistent.
Respuesta Simulacion::enviarMensaje(Contexto& c) {
    const pugi::xml_node s = c.peticion.solicitud;
    const std::string tipo = textoHijo(s.child("datos").child("tipoProcedimiento"), "codigo");
    if (!existeTipo(datos_.tiposProcedimiento, tipo)) {
        throw RechazoLexnet("TIPO_PROCEDIMIENTO_DESCONOCIDO",
                            "Tipo de procedimiento desconocido: '" + tipo + "'");
    }
    int organos = 0;
    for (pugi::xml_node destino : s.child("destinos").children("destino")) {
        const std::string copia = textoHijo(destino, "copia");
        const pugi::xml_node destinatario = destino.child("destinatario");
        if (copia == "false" && existeOrgano(destinatario.child("organoJudicial"))) {
            ++organos;
        } else if (copia != "true" ||
                   !existeProfesional(datos_.destinatarios,
                                      textoHijo(destinatario.child("profesional"), "nif"))) {
            throw RechazoLexnet("DESTINATARIO_DESCONOCIDO",
                                "Destino no válido o desconocido: " + comoJson(destino).dump());
        }
    }
    if (organos != 1) {
        throw RechazoLexnet("DESTINATARIO_DESCONOCIDO",
                            "El escrito va dirigido a un y solo un órgano judicial");
    }
    int adjuntos = 0;
    int principales = 0;
    for (pugi::xml_node adjunto : s.child("adjuntos").children("adjunto")) {
        ++adjuntos;
        principales += textoHijo(adjunto, "principal") == "true";
    }
    if (adjuntos == 0 || principales != 1) {
        throw RechazoLexnet("ADJUNTOS_NO_VALIDOS",
                            "El escrito lleva uno o más documentos y uno solo es el principal");
    }

    const std::int32_t id = siguienteEnvio_++;
    Envio& envio = envios_[id];
    envio.sesion = *c.peticion.sesion;
    envio.certificado = c.certificado;
    envio.mensaje = comoJson(s);

    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadir(r.raiz, "idEnvio", std::to_string(id));
    anadir(r.raiz, "tamBloque", std::to_string(datos_.tamBloqueEnvio));
    anadir(r.raiz, "bytesMIME", codificarBase64(mimeInicial(id, c.peticion)));
    c.notas["idEnvio"] = id;
    return r;
}

// Blocks are taken in order from 1, each whole but the last; nothing of a refused block
// is kept.
Respuesta Simulacion::enviarBloque(Contexto& c) {
    const pugi::xml_node s = c.peticion.solicitud;
    const auto id = numeroDe(textoHijo(s, "idEnvio"));
    const auto envio = id ? envios_.find(static_cast<std::int32_t>(*id)) : envios_.end();
    if (envio == envios_.end() || envio->second.sesion != *c.peticion.sesion) {
        throw RechazoLexnet("ENVIO_DESCONOCIDO",
                            "Envío desconocido en esta sesión: '" + textoHijo(s, "idEnvio") + "'");
    }
    Envio& e = envio->second;
    if (e.cerrado) {
        throw RechazoLexnet("ENVIO_CERRADO", "El envío ya recibió su último bloque");
    }
    const auto bloque = numeroDe(textoHijo(s, "idBloqueEnviado"));
    if (!bloque || *bloque != e.consolidados + 1) {
        throw RechazoLexnet("SECUENCIA_BLOQUES",
                            "Se esperaba el bloque " + std::to_string(e.consolidados + 1) +
                                " y llegó '" + textoHijo(s, "idBloqueEnviado") + "'");
    }
    const std::string esUltimo = textoHijo(s, "esUltimo");
    if (esUltimo != "true" && esUltimo != "false") {
        throw RechazoLexnet("PETICION_NO_VALIDA", "esUltimo debe ser true o false");
    }
    const auto bytes = decodificarBase64(textoHijo(s, "bytesContenido"));
    if (!bytes) {
        throw RechazoLexnet("BASE64_NO_VALIDO", "bytesContenido no es Base64 válido");
    }
    const std::size_t tam = datos_.tamBloqueEnvio;
    if (esUltimo == "true" ? bytes->empty() || bytes->size() > tam : bytes->size() != tam) {
        throw RechazoLexnet("TAMANO_BLOQUE", "Bloque de " + std::to_string(bytes->size()) +
                                                 " bytes; el tamaño de bloque es " +
                                                 std::to_string(tam));
    }
    e.contenido += *bytes;
    ++e.consolidados;
    c.notas["idEnvio"] = envio->first;
    c.notas["bytes"] = bytes->size();

    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadir(r.raiz, "idEnvio", std::to_string(envio->first));
    anadir(r.raiz, "idBloqueConsolidado", std::to_string(e.consolidados));
    if (esUltimo == "true") {
        terminarEnvio(envio->first, e, r.raiz, c.notas);
    }
    return r;
}

void Simulacion::terminarEnvio(std::int32_t idEnvio, Envio& envio, pugi::xml_node respuesta,
                               Json& notas) {
    envio.cerrado = true;
    const ResultadoFirma firma = verificador_.verificar(envio.contenido, envio.certificado);
    Json resumen = {{"idEnvio", idEnvio},
                    {"bloques", envio.consolidados},
                    {"bytes", envio.contenido.size()},
                    {"firma",
                     {{"valida", firma.valida},
                      {"delTitular", firma.delTitular},
                      {"firmante", firma.firmante},
                      {"detalle", firma.detalle}}},
                    {"mensaje", envio.mensaje}};
    const Json& adjuntos = envio.mensaje["adjuntos"];
    const Documentos docs = documentosDe(envio.contenido, verificador_, envio.certificado,
                                         adjuntos.is_array() ? adjuntos.size() : 0);
    resumen["firmaDocumento"] = {{"valida", docs.firma.valida},
                                 {"delTitular", docs.firma.delTitular},
                                 {"detalle", docs.firma.detalle}};
    resumen["documentos"] = Json::array();
    for (std::size_t i = 0; i < docs.bytes.size(); ++i) {
        resumen["documentos"].push_back(
            {{"nombre", docs.nombres[i]}, {"bytes", docs.bytes[i].size()}});
    }
    const bool firmaValida = firma.valida && firma.delTitular;
    const bool aceptado = !datos_.exigirFirma || (firmaValida && docs.problema.empty());
    const std::string idAcuse = datos_.prefijoAcuse + std::to_string(idEnvio);
    const std::string fechaIngreso = datos_.fechaIngreso.empty() ? horaIso() : datos_.fechaIngreso;
    if (aceptado) {
        resumen["idAcuse"] = idAcuse;
        resumen["fechaIngreso"] = fechaIngreso;
    } else {
        resumen["rechazo"] = !firmaValida
                                 ? (firma.valida ? "firmado por otro certificado" : firma.detalle)
                                 : docs.problema;
    }
    if (!carpetaEnvios_.empty()) {
        const std::string base = std::to_string(idEnvio);
        escribir(carpetaEnvios_ / (base + ".eml"), envio.contenido);
        escribir(carpetaEnvios_ / (base + ".json"), resumen.dump(2));
        // Each document as it arrived: <idEnvio>-<n>, the main one 0.
        for (std::size_t i = 0; i < docs.bytes.size(); ++i) {
            escribir(carpetaEnvios_ / (base + "-" + std::to_string(i)), docs.bytes[i]);
        }
    }
    notas["firma"] = resumen["firma"];
    if (!aceptado) {
        throw RechazoLexnet("FIRMA_NO_VALIDA", "La firma del mensaje no es válida: " +
                                                   resumen["rechazo"].get<std::string>());
    }
    pugi::xml_node acuse = anadir(respuesta, "acuse");
    anadir(acuse, "idAcuse", idAcuse);
    anadir(acuse, "fechaIngreso", fechaIngreso);
    notas["idAcuse"] = idAcuse;
}

std::string Simulacion::mimeInicial(std::int32_t idEnvio, const Peticion& peticion) const {
    if (!datos_.mimeInicial.empty()) {
        return datos_.mimeInicial;
    }
    pugi::xml_document xml;
    pugi::xml_node d = anadir(xml, "datosEnvio");
    const pugi::xml_node datos = peticion.solicitud.child("datos");
    anadir(d, "idEnvio", std::to_string(idEnvio));
    anadir(d, "numeroProcedimiento", textoHijo(datos, "numeroProcedimiento"));
    anadir(d, "referencia", textoHijo(datos, "referencia"));
    const std::string frontera = "LexNET-" + std::to_string(idEnvio);
    return "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + frontera +
           "\"\r\n\r\n--" + frontera +
           "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Disposition: attachment; "
           "filename=\"datosEnvio.xml\"\r\n\r\n" +
           serializar(xml) + "\r\n--" + frontera + "--\r\n";
}
