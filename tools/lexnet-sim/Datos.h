#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

// Objects keep the order of the fixture, which is the order their fields are answered in
// when the simulator has no order of its own for them.
using Json = nlohmann::ordered_json;

// One document of a notification.
struct Documento {
    std::string idAdjunto; // as answered and as asked for; by default its position from 1
    std::string nombre;
    std::string principal; // "true" or "false"
    std::string contenido; // the bytes
};

// One received notification: its header fields as the fixture gives them (rendered by the
// answers), its documents and whether it still waits for its download to be confirmed.
struct Notificacion {
    std::string id;
    Json campos;
    std::vector<Documento> documentos;
    bool pendiente = true;
};

// The fixture: what LexNET holds for the test user, and how it numbers things.
struct Datos {
    std::size_t tamBloque = 65536;      // blocks of the documents downloaded
    std::size_t tamBloqueEnvio = 65536; // blocks of the messages uploaded
    std::int32_t primeraSesion = 1001;
    std::int32_t primerEnvio = 5001;
    std::string prefijoAcuse = "ACUSE-";
    std::string fechaIngreso; // empty: the moment the last block arrives
    std::string mimeInicial;  // empty: a small multipart/mixed document made per send
    bool exigirFirma = true;  // refuse a message whose S/MIME signature does not verify
    std::vector<Notificacion> notificaciones;
    Json destinatarios = Json::array();
    Json tiposProcedimiento = Json::array();
};

// Throws std::runtime_error, with the reason in Spanish, when the fixture is not valid.
// Relative document paths are taken from the fixture's folder.
Datos cargarDatos(const std::filesystem::path& archivo);
Datos leerDatos(const Json& json, const std::filesystem::path& base);
std::vector<Notificacion> leerNotificaciones(const Json& lista, const std::filesystem::path& base);

// "organoJudicial", "entidad" or "profesional": the three kinds of sender and recipient.
bool esClaseDeInterviniente(std::string_view clase);

// The text of a JSON value as it goes into the XML: strings as they are, true/false, numbers
// in their JSON form, null as empty.
std::string textoDe(const Json& valor);
