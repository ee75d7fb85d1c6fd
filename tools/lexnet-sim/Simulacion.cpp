#include "tools/lexnet-sim/Simulacion.h"

#include "tools/lexnet-sim/Base64.h"
#include "tools/lexnet-sim/Xml.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace {

// yyyy-mm-ddThh:mm:ss, as the requests carry date-times.
bool esFechaHora(std::string_view t) {
    if (t.size() != 19) {
        return false;
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char esperado = i == 4 || i == 7     ? '-'
                              : i == 10            ? 'T'
                              : i == 13 || i == 16 ? ':'
                                                   : '9';
        if (esperado == '9' ? (t[i] < '0' || t[i] > '9') : t[i] != esperado) {
            return false;
        }
    }
    return true;
}

// Texts that both hold whole numbers compare by value ("01" is "1"); others exactly.
bool mismoIdentificador(const std::string& a, const std::string& b) {
    const auto na = numeroDe(a);
    const auto nb = numeroDe(b);
    return na && nb ? *na == *nb : a == b;
}

bool verdadOFalso(const std::string& texto) {
    return texto == "true" || texto == "false";
}

} // namespace

std::optional<long long> numeroDe(std::string_view texto) {
    long long valor = 0;
    const auto [fin, ec] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    if (texto.empty() || ec != std::errc() || fin != texto.data() + texto.size()) {
        return std::nullopt;
    }
    return valor;
}

Simulacion::Simulacion(Datos datos, const std::filesystem::path& ca,
                       std::filesystem::path carpetaEnvios)
    : datos_(std::move(datos)), verificador_(ca), carpetaEnvios_(std::move(carpetaEnvios)),
      siguienteSesion_(datos_.primeraSesion), siguienteEnvio_(datos_.primerEnvio) {}

Atencion Simulacion::atender(const Peticion& peticion, const std::string& certificado) {
    std::lock_guard cerrojo(mutex_);
    Json notas = Json::object();
    Contexto c{peticion, certificado, notas};
    try {
        Respuesta r = responder(c);
        return Atencion{std::move(r), std::nullopt, std::move(notas)};
    } catch (const RechazoLexnet& e) {
        return Atencion{respuestaError(peticion.espacioMensaje, e.codigo(), e.what()),
                        std::pair{e.codigo(), std::string(e.what())}, std::move(notas)};
    } catch (const std::exception& e) {
        // A fixture value of an unexpected kind, or a file that cannot be written.
        const std::string texto = std::string("Error interno del simulador: ") + e.what();
        return Atencion{respuestaError(peticion.espacioMensaje, "ERROR_INTERNO", texto),
                        std::pair{std::string("ERROR_INTERNO"), texto}, std::move(notas)};
    }
}

void Simulacion::agregarNotificaciones(std::vector<Notificacion> nuevas) {
    std::lock_guard cerrojo(mutex_);
    std::set<std::string> ids;
    for (const Notificacion& n : datos_.notificaciones) {
        ids.insert(n.id);
    }
    for (const Notificacion& n : nuevas) {
        if (!ids.insert(n.id).second) {
            throw std::runtime_error("id repetido: " + n.id);
        }
    }
    std::move(nuevas.begin(), nuevas.end(), std::back_inserter(datos_.notificaciones));
}

Respuesta Simulacion::responder(Contexto& c) {
    const std::string_view operacion = c.peticion.operacion->nombre;
    if (c.peticion.idAplicacion != kIdAplicacion) {
        throw RechazoLexnet("APLICACION_NO_VALIDA",
                            "Aplicación no autorizada: '" + c.peticion.idAplicacion + "'");
    }
    if (operacion == "Login") {
        return login(c);
    }
    comprobarSesion(c);
    using Metodo = Respuesta (Simulacion::*)(Contexto&);
    static const std::map<std::string_view, Metodo> kMetodos = {
        {"Logout", &Simulacion::logout},
        {"ObtenerPendientes", &Simulacion::obtenerPendientes},
        {"ObtenerCabeceras", &Simulacion::obtenerCabeceras},
        {"ObtenerMensaje", &Simulacion::obtenerMensaje},
        {"ObtenerBloque", &Simulacion::obtenerBloque},
        {"TerminarDescarga", &Simulacion::terminarDescarga},
        {"ObtenerDestinatarios", &Simulacion::obtenerDestinatarios},
        {"ObtenerTiposProcedimiento", &Simulacion::obtenerTiposProcedimiento},
        {"EnviarMensaje", &Simulacion::enviarMensaje},
        {"EnviarBloque", &Simulacion::enviarBloque},
    };
    return (this->*kMetodos.at(operacion))(c);
}

void Simulacion::comprobarSesion(const Contexto& c) const {
    const auto s = sesiones_.find(*c.peticion.sesion);
    if (s == sesiones_.end()) {
        throw RechazoLexnet("SESION_NO_VALIDA", "La sesión " + std::to_string(*c.peticion.sesion) +
                                                    " no existe o ha terminado");
    }
    if (s->second.certificado != c.certificado) {
        throw RechazoLexnet("SESION_NO_VALIDA", "La sesión pertenece a otro certificado");
    }
}

Notificacion& Simulacion::notificacion(const std::string& id) {
    for (Notificacion& n : datos_.notificaciones) {
        if (n.id == id) {
            return n;
        }
    }
    throw RechazoLexnet("MENSAJE_DESCONOCIDO", "No existe el mensaje '" + id + "'");
}

bool Simulacion::existeOrgano(pugi::xml_node organo) const {
    return std::any_of(
        datos_.destinatarios.begin(), datos_.destinatarios.end(), [&](const Json& d) {
            return d.value("clase", "") == "organoJudicial" &&
                   textoDe(d.value("codigoPoblacion", Json())) ==
                       textoHijo(organo, "codigoPoblacion") &&
                   textoDe(d.value("tipoOrgano", Json())) == textoHijo(organo, "tipoOrgano") &&
                   textoDe(d.value("numeroOrgano", Json())) == textoHijo(organo, "numeroOrgano");
        });
}

Respuesta Simulacion::login(Contexto& c) {
    const std::int32_t id = siguienteSesion_++;
    sesiones_[id] = Sesion{c.certificado};
    const auto pendientes =
        std::count_if(datos_.notificaciones.begin(), datos_.notificaciones.end(),
                      [](const Notificacion& n) { return n.pendiente; });
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadir(r.raiz, "idSesion", std::to_string(id));
    anadir(r.raiz, "numeroPendientes", std::to_string(pendientes));
    c.notas["idSesion"] = id;
    return r;
}

Respuesta Simulacion::logout(Contexto& c) {
    sesiones_.erase(*c.peticion.sesion);
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadir(r.raiz, "resultado", "true");
    return r;
}

Respuesta Simulacion::obtenerPendientes(Contexto& c) {
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    pugi::xml_node lista = anadir(r.raiz, "pendientes");
    c.notas["pendientes"] = Json::array();
    for (const Notificacion& n : datos_.notificaciones) {
        if (n.pendiente) {
            pugi::xml_node p = anadir(lista, "pendiente");
            anadir(p, "id", n.id);
            anadir(p, "asunto", textoDe(n.campos.value("asunto", Json())));
            c.notas["pendientes"].push_back(n.id);
        }
    }
    return r;
}

Respuesta Simulacion::obtenerCabeceras(Contexto& c) {
    const pugi::xml_node s = c.peticion.solicitud;
    const bool conFecha = s.child("fecha");
    const bool conRango = s.child("fechaInicio") || s.child("fechaFin");
    const std::string fecha = textoHijo(s, "fecha");
    const std::string inicio = textoHijo(s, "fechaInicio");
    const std::string fin = textoHijo(s, "fechaFin");
    const std::string soloPendientes = textoHijo(s, "soloPendientes");
    if (conFecha == conRango) {
        throw RechazoLexnet("PETICION_NO_VALIDA", "Se espera fecha, o fechaInicio y fechaFin");
    }
    if ((!fecha.empty() && !esFechaHora(fecha)) ||
        (conRango && (!esFechaHora(inicio) || !esFechaHora(fin)))) {
        throw RechazoLexnet("FECHA_NO_VALIDA", "Fecha no válida");
    }
    if (!verdadOFalso(soloPendientes)) {
        throw RechazoLexnet("PETICION_NO_VALIDA", "soloPendientes debe ser true o false");
    }

    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    pugi::xml_node lista = anadir(r.raiz, "cabeceras");
    c.notas["cabeceras"] = Json::array();
    for (const Notificacion& n : datos_.notificaciones) {
        const std::string envio = textoDe(n.campos.value("fechaEnvio", Json())).substr(0, 19);
        const bool enFechas = conRango ? envio.size() == 19 && envio >= inicio && envio <= fin
                              : fecha.empty() ? true
                                              : envio.substr(0, 10) == fecha.substr(0, 10);
        if (enFechas && (soloPendientes == "false" || n.pendiente)) {
            anadirCabecera(lista, n);
            c.notas["cabeceras"].push_back(n.id);
        }
    }
    return r;
}

Respuesta Simulacion::obtenerMensaje(Contexto& c) {
    const Notificacion& n = notificacion(textoHijo(c.peticion.solicitud, "id"));
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadirMensaje(r.raiz, n, datos_.tamBloque);
    return r;
}

Respuesta Simulacion::obtenerBloque(Contexto& c) {
    const pugi::xml_node s = c.peticion.solicitud;
    const Notificacion& n = notificacion(textoHijo(s, "id"));
    const std::string idAdjunto = textoHijo(s, "idAdjunto");
    const auto documento =
        std::find_if(n.documentos.begin(), n.documentos.end(), [&](const Documento& d) {
            return mismoIdentificador(d.idAdjunto, idAdjunto);
        });
    if (documento == n.documentos.end()) {
        throw RechazoLexnet("ADJUNTO_DESCONOCIDO",
                            "El mensaje " + n.id + " no tiene el adjunto '" + idAdjunto + "'");
    }
    const auto bloque = numeroDe(textoHijo(s, "idBloquePedido"));
    const std::size_t tam = datos_.tamBloque;
    const auto bloques = static_cast<long long>(
        std::max<std::size_t>(1, (documento->contenido.size() + tam - 1) / tam));
    if (!bloque || *bloque < 0 || *bloque >= bloques) {
        throw RechazoLexnet("BLOQUE_FUERA_DE_RANGO", "Bloque '" + textoHijo(s, "idBloquePedido") +
                                                         "' fuera de rango (0 a " +
                                                         std::to_string(bloques - 1) + ")");
    }
    const auto desde = static_cast<std::size_t>(*bloque) * tam;
    const std::string parte =
        documento->contenido.substr(std::min(desde, documento->contenido.size()), tam);

    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadir(r.raiz, "idBloque", std::to_string(*bloque));
    anadir(r.raiz, "bytesContenido", codificarBase64(parte));
    anadir(r.raiz, "esUltimo", *bloque == bloques - 1 ? "true" : "false");
    c.notas["bytes"] = parte.size();
    return r;
}

Respuesta Simulacion::terminarDescarga(Contexto& c) {
    Notificacion& n = notificacion(textoHijo(c.peticion.solicitud, "idMensaje"));
    n.pendiente = false;
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    anadir(r.raiz, "idMensaje", n.id);
    anadir(r.raiz, "resultado", "true");
    c.notas["confirmada"] = n.id;
    return r;
}

Respuesta Simulacion::obtenerDestinatarios(Contexto& c) {
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    pugi::xml_node lista = anadir(r.raiz, "destinatarios");
    for (const Json& d : datos_.destinatarios) {
        anadirInterviniente(anadir(lista, "destinatario"), d);
    }
    return r;
}

Respuesta Simulacion::obtenerTiposProcedimiento(Contexto& c) {
    const pugi::xml_node organo = c.peticion.solicitud.child("destinoProc").child("organoJudicial");
    if (!existeOrgano(organo)) {
        throw RechazoLexnet("ORGANO_DESCONOCIDO",
                            "Órgano judicial desconocido: " + textoHijo(organo, "codigoPoblacion") +
                                "/" + textoHijo(organo, "tipoOrgano") + "/" +
                                textoHijo(organo, "numeroOrgano"));
    }
    Respuesta r(c.peticion.espacioMensaje, c.peticion.operacion->respuesta);
    pugi::xml_node lista = anadir(r.raiz, "tiposProcedimiento");
    for (const Json& t : datos_.tiposProcedimiento) {
        anadirCampos(anadir(lista, "tipoProcedimiento"), t, {"codigo", "texto", "leyAntigua"});
    }
    return r;
}
