#include "tools/lexnet-sim/Base64.h"
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
    const bool aceptado = !datos_.exigirFirma || (firma.valida && firma.delTitular);
    const std::string idAcuse = datos_.prefijoAcuse + std::to_string(idEnvio);
    const std::string fechaIngreso = datos_.fechaIngreso.empty() ? horaIso() : datos_.fechaIngreso;
    if (aceptado) {
        resumen["idAcuse"] = idAcuse;
        resumen["fechaIngreso"] = fechaIngreso;
    } else {
        resumen["rechazo"] = firma.valida ? "firmado por otro certificado" : firma.detalle;
    }
    if (!carpetaEnvios_.empty()) {
        const std::string base = std::to_string(idEnvio);
        escribir(carpetaEnvios_ / (base + ".eml"), envio.contenido);
        escribir(carpetaEnvios_ / (base + ".json"), resumen.dump(2));
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
