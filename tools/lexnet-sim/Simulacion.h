#pragma once

#include "tools/lexnet-sim/Datos.h"
#include "tools/lexnet-sim/Firma.h"
#include "tools/lexnet-sim/Respuestas.h"
#include "tools/lexnet-sim/Sobre.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A request LexNET refuses: answered with respuestaError.
class RechazoLexnet : public std::runtime_error {
public:
    RechazoLexnet(std::string codigo, const std::string& texto)
        : std::runtime_error(texto), codigo_(std::move(codigo)) {}
    const std::string& codigo() const { return codigo_; }

private:
    std::string codigo_;
};

// What one request got: the answer, the refusal when the answer is a respuestaError, and
// facts worth recording (the session opened, the headers listed, the signature checked...).
struct Atencion {
    Respuesta respuesta;
    std::optional<std::pair<std::string, std::string>> error; // codigo, texto
    Json notas = Json::object();
};

// The service's state: sessions, notifications and their confirmation, sends and their
// blocks. Requests may come from several threads; each is carried out whole under a lock.
class Simulacion {
public:
    // carpetaEnvios: where each finished send is written (<idEnvio>.eml and <idEnvio>.json);
    // empty to keep them in memory only.
    Simulacion(Datos datos, const std::filesystem::path& ca, std::filesystem::path carpetaEnvios);

    // certificado: DER of the TLS client certificate the request came with.
    Atencion atender(const Peticion& peticion, const std::string& certificado);
    // New notifications, as if they had just arrived. Throws std::runtime_error, adding
    // none, when an id is already known.
    void agregarNotificaciones(std::vector<Notificacion> nuevas);

    static constexpr const char* kIdAplicacion = "VANT_QUAREL";

private:
    struct Contexto {
        const Peticion& peticion;
        const std::string& certificado;
        Json& notas;
    };
    struct Sesion {
        std::string certificado;
    };
    struct Envio {
        std::int32_t sesion = 0;
        std::string certificado;
        Json mensaje;
        std::string contenido;
        int consolidados = 0;
        bool cerrado = false;
    };

    Respuesta responder(Contexto& c);
    void comprobarSesion(const Contexto& c) const;
    Notificacion& notificacion(const std::string& id);
    bool existeOrgano(pugi::xml_node organo) const;

    Respuesta login(Contexto& c);
    Respuesta logout(Contexto& c);
    Respuesta obtenerPendientes(Contexto& c);
    Respuesta obtenerCabeceras(Contexto& c);
    Respuesta obtenerMensaje(Contexto& c);
    Respuesta obtenerBloque(Contexto& c);
    Respuesta terminarDescarga(Contexto& c);
    Respuesta obtenerDestinatarios(Contexto& c);
    Respuesta obtenerTiposProcedimiento(Contexto& c);
    Respuesta enviarMensaje(Contexto& c);
    Respuesta enviarBloque(Contexto& c);

    // Checks, files and receipt of a send whose last block has arrived.
    void terminarEnvio(std::int32_t idEnvio, Envio& envio, pugi::xml_node respuesta, Json& notas);
    std::string mimeInicial(std::int32_t idEnvio, const Peticion& peticion) const;

    std::mutex mutex_;
    Datos datos_;
    VerificadorFirma verificador_;
    std::filesystem::path carpetaEnvios_;
    std::map<std::int32_t, Sesion> sesiones_;
    std::int32_t siguienteSesion_;
    std::map<std::int32_t, Envio> envios_;
    std::int32_t siguienteEnvio_;
};

// Whole decimal number, with nothing around it.
std::optional<long long> numeroDe(std::string_view texto);
