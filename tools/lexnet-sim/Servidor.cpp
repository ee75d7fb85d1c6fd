#include "tools/lexnet-sim/Servidor.h"

#include "tools/lexnet-sim/Firma.h"
#include "tools/lexnet-sim/Plataforma.h"
#include "tools/lexnet-sim/Xml.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <httplib.h>
#include <thread>

namespace {

constexpr const char* kTipoXml = "text/xml; charset=utf-8";

struct CertificadoCliente {
    std::string der;
    std::string sujeto;
};

CertificadoCliente certificadoDe(const httplib::Request& req) {
    CertificadoCliente c;
    if (!req.ssl) {
        return c;
    }
    X509* x = SSL_get1_peer_certificate(req.ssl);
    if (x) {
        c.der = derDe(x);
        c.sujeto = sujetoDe(x);
        X509_free(x);
    }
    return c;
}

// Each TLS connection gets a number when its first handshake ends, so the registro shows
// which requests shared a connection (and how many handshakes a client paid for).
void numerarConexion(const SSL* ssl, int donde, int) {
    static std::atomic<std::uintptr_t> ultima{0};
    if ((donde & SSL_CB_HANDSHAKE_DONE) != 0 && SSL_get_app_data(ssl) == nullptr) {
        SSL_set_app_data(const_cast<SSL*>(ssl), reinterpret_cast<void*>(++ultima));
    }
}

std::uintptr_t conexionDe(const httplib::Request& req) {
    return req.ssl ? reinterpret_cast<std::uintptr_t>(SSL_get_app_data(req.ssl)) : 0;
}

bool configurarTls(SSL_CTX& ctx, const Opciones& o) {
    const std::string ca = o.ca.string();
    if (SSL_CTX_use_certificate_chain_file(&ctx, o.certificado.string().c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(&ctx, o.clave.string().c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(&ctx) != 1 ||
        SSL_CTX_load_verify_locations(&ctx, ca.c_str(), nullptr) != 1) {
        return false;
    }
    SSL_CTX_set_client_CA_list(&ctx, SSL_load_client_CA_file(ca.c_str()));
    SSL_CTX_set_verify(&ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
    SSL_CTX_set_info_callback(&ctx, numerarConexion);
    // Needed to resume a session whose client showed a certificate, as clients try to
    // when they open a new connection.
    static constexpr unsigned char kContexto[] = "lexnet-sim";
    SSL_CTX_set_session_id_context(&ctx, kContexto, sizeof kContexto - 1);
    return true;
}

// What the registro keeps of the request element: its fields, without the block contents,
// which stay in the raw body.
Json valoresDe(const Peticion& p) {
    Json valores = comoJson(p.solicitud);
    if (valores.is_object() && valores.contains("bytesContenido")) {
        valores["bytesContenido"] =
            "(" + std::to_string(textoHijo(p.solicitud, "bytesContenido").size()) + " caracteres)";
    }
    return valores;
}

// The start of a request's registro line: when, what, from whom, with which headers.
Json lineaDe(const httplib::Request& req, const std::string& operacion, const std::string& sujeto) {
    Json cabeceras = Json::object();
    for (const auto& [clave, valor] : req.headers) {
        if (clave.starts_with("REMOTE_") || clave.starts_with("LOCAL_")) {
            continue; // the library's notes on the connection, not sent by the client
        }
        cabeceras[clave] = valor;
    }
    return {{"hora", horaIso()},
            {"conexion", conexionDe(req)},
            {"tls", req.ssl ? SSL_get_version(req.ssl) : ""},
            {"operacion", operacion},
            {"certificado", sujeto},
            {"cabeceras", cabeceras}};
}

void anotarPeticion(Json& linea, const Peticion& p) {
    linea["sesion"] = p.sesion ? Json(*p.sesion) : Json();
    linea["idAplicacion"] = p.idAplicacion;
    linea["espacioOperacion"] = p.espacioOperacion;
    linea["espacioMensaje"] = p.espacioMensaje;
    linea["valores"] = valoresDe(p);
}

} // namespace

Servidor::Servidor(const Opciones& opciones, Simulacion& simulacion, Fallos& fallos,
                   Registro& registro)
    : opciones_(opciones), simulacion_(simulacion), fallos_(fallos), registro_(registro),
      servidor_(std::make_unique<httplib::SSLServer>(
          [&](SSL_CTX& ctx) { return configurarTls(ctx, opciones); })) {
    if (!servidor_->is_valid()) {
        throw std::runtime_error("no se pudo preparar TLS con " + opciones.certificado.string() +
                                 ", " + opciones.clave.string() + " y " + opciones.ca.string());
    }
    // Each open connection holds a worker while it waits for its next request, and a held
    // back answer holds one too: enough workers that neither starves the others.
    servidor_->new_task_queue = [] { return new httplib::ThreadPool(32); };
    servidor_->set_tcp_nodelay(true);
    servidor_->set_payload_max_length(std::size_t{256} << 20);
    servidor_->set_keep_alive_max_count(1000);
    servidor_->set_keep_alive_timeout(5);
    servidor_->set_read_timeout(60);
    servidor_->set_write_timeout(60);
    servidor_->Post(
        R"(/services/([A-Za-z]+))",
        [this](const httplib::Request& req, httplib::Response& res) { atenderServicio(req, res); });
    servidor_->Post("/control", [this](const httplib::Request& req, httplib::Response& res) {
        atenderControl(req, res);
    });
}

Servidor::~Servidor() = default;

int Servidor::abrir() {
    const int puerto =
        opciones_.puerto == 0
            ? servidor_->bind_to_any_port("127.0.0.1")
            : (servidor_->bind_to_port("127.0.0.1", opciones_.puerto) ? opciones_.puerto : -1);
    if (puerto <= 0) {
        throw std::runtime_error("no se pudo abrir el puerto " + std::to_string(opciones_.puerto));
    }
    return puerto;
}

void Servidor::escuchar() {
    servidor_->listen_after_bind();
}

// Order of work: read the request, pick the fault that applies, carry the request out
// (unless the fault stands in for it), record it, then hold back, answer or cut.
void Servidor::atenderServicio(const httplib::Request& req, httplib::Response& res) {
    const std::string nombre = req.matches[1];
    const CertificadoCliente cliente = certificadoDe(req);
    Json linea = lineaDe(req, nombre, cliente.sujeto);
    const Operacion* operacion = buscarOperacion(nombre);
    if (!operacion) {
        linea["respuesta"] = "404";
        linea["cuerpo"] = req.body;
        registro_.anotar(linea);
        res.status = 404;
        res.set_content("Operación desconocida: " + nombre + "\n", "text/plain; charset=utf-8");
        return;
    }

    std::unique_ptr<Peticion> peticion;
    std::string malformada;
    try {
        peticion = leerPeticion(*operacion, req.body);
        anotarPeticion(linea, *peticion);
    } catch (const PeticionMalformada& e) {
        malformada = e.what();
    }
    const std::optional<Fallo> fallo =
        fallos_.tomar(nombre, peticion ? clavesDe(*peticion) : Json::object());
    if (fallo) {
        linea["fallo"] = fallo->nombreTipo;
    }
    std::optional<Respuesta> respuesta;
    if (!fallo || !fallo->sustituyeLaPeticion()) {
        respuesta = peticion ? atender(*peticion, cliente.der, fallo, linea)
                             : rechazar("", "PETICION_MALFORMADA", malformada, linea);
    } else if (fallo->tipo == Fallo::Tipo::Error) {
        respuesta =
            rechazar(peticion ? peticion->espacioMensaje : "", fallo->codigo, fallo->texto, linea);
    }
    linea["cuerpo"] = req.body;
    registro_.anotar(linea);

    if (fallo && fallo->tipo == Fallo::Tipo::Esperar) {
        std::this_thread::sleep_for(std::chrono::duration<double>(fallo->segundos));
    }
    if (fallo && fallo->tipo == Fallo::Tipo::Cortar) {
        cortarConexion(req.ssl);
        return;
    }
    if (fallo && fallo->tipo == Fallo::Tipo::Redirigir) {
        res.status = 307;
        res.set_header("Location", fallo->destino);
        return;
    }
    const std::string sobre =
        respuesta ? sobreRespuesta(*operacion, peticion ? peticion->espacioOperacion : "",
                                   serializar(*respuesta->documento))
                  : std::string();
    if (fallo && fallo->tipo == Fallo::Tipo::LargoFalso && respuesta) {
        // Written past the HTTP library, which would send the true length.
        const std::string largo =
            fallo->largo.empty() ? "" : "Content-Length: " + fallo->largo + "\r\n";
        const std::string crudo = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(kTipoXml) +
                                  "\r\n" + largo + "\r\n" + sobre;
        SSL_write(const_cast<SSL*>(req.ssl), crudo.data(), static_cast<int>(crudo.size()));
        cortarConexion(req.ssl);
        return;
    }
    if (!respuesta) { // a front-end page stands in for the service
        const int estado = fallo->tipo == Fallo::Tipo::Pagina503 ? 503 : 500;
        res.status = estado;
        res.set_content(paginaError(estado), "text/html; charset=iso-8859-1");
        return;
    }
    res.set_content(sobre, kTipoXml);
}

Respuesta Servidor::atender(const Peticion& peticion, const std::string& certificado,
                            const std::optional<Fallo>& fallo, Json& linea) {
    Atencion a = simulacion_.atender(peticion, certificado);
    if (a.error) {
        linea["error"] = {{"codigo", a.error->first}, {"texto", a.error->second}};
    }
    if (!a.notas.empty()) {
        linea["notas"] = a.notas;
    }
    if (fallo && !a.error) {
        alterarRespuesta(*fallo, a.respuesta.documento->document_element());
    }
    return std::move(a.respuesta);
}

Respuesta Servidor::rechazar(const std::string& espacioMensaje, const std::string& codigo,
                             const std::string& texto, Json& linea) {
    linea["error"] = {{"codigo", codigo}, {"texto", texto}};
    return respuestaError(espacioMensaje, codigo, texto);
}

void Servidor::atenderControl(const httplib::Request& req, httplib::Response& res) {
    try {
        const Json orden = Json::parse(req.body);
        Json hecho = Json::object();
        if (orden.contains("notificaciones")) {
            auto nuevas =
                leerNotificaciones(orden.at("notificaciones"), opciones_.datos.parent_path());
            hecho["notificaciones"] = nuevas.size();
            simulacion_.agregarNotificaciones(std::move(nuevas));
        }
        if (orden.contains("fallos")) {
            auto fallos = leerFallos(orden);
            hecho["fallos"] = fallos.size();
            fallos_.reemplazar(std::move(fallos));
        }
        res.set_content(hecho.dump(), "application/json");
    } catch (const std::exception& e) {
        res.status = 400;
        res.set_content(std::string(e.what()) + "\n", "text/plain; charset=utf-8");
    }
}
