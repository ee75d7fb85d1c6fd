#include "tools/lexnet-sim/Datos.h"

#include "tools/lexnet-sim/Base64.h"
#include "tools/lexnet-sim/Generador.h"

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

std::runtime_error invalido(const std::string& motivo) {
    return std::runtime_error("datos no válidos: " + motivo);
}

std::string leerArchivo(const std::filesystem::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    if (!f) {
        throw invalido("no se puede leer " + archivo.string());
    }
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string contenidoDe(const Json& d, const std::filesystem::path& base) {
    const int fuentes = int(d.contains("archivo")) + int(d.contains("base64")) +
                        int(d.contains("texto")) + int(d.contains("generar"));
    if (fuentes != 1) {
        throw invalido("cada documento lleva uno y solo uno de archivo, base64, texto o "
                       "generar");
    }
    if (d.contains("archivo")) {
        std::filesystem::path ruta = d.at("archivo").get<std::string>();
        return leerArchivo(ruta.is_absolute() ? ruta : base / ruta);
    }
    if (d.contains("base64")) {
        auto bytes = decodificarBase64(d.at("base64").get<std::string>());
        if (!bytes) {
            throw invalido("base64 no válido en el documento " + textoDe(d.value("nombre", "")));
        }
        return *bytes;
    }
    if (d.contains("texto")) {
        return d.at("texto").get<std::string>();
    }
    const Json& g = d.at("generar");
    return bytesGenerados(g.at("tamano").get<std::size_t>(), g.value("semilla", 0ull));
}

Documento leerDocumento(const Json& d, std::size_t posicion, const std::filesystem::path& base) {
    Documento doc;
    doc.idAdjunto =
        d.contains("idAdjunto") ? textoDe(d.at("idAdjunto")) : std::to_string(posicion + 1);
    doc.nombre = d.at("nombre").get<std::string>();
    doc.principal =
        d.contains("principal") ? textoDe(d.at("principal")) : (posicion == 0 ? "true" : "false");
    doc.contenido = contenidoDe(d, base);
    return doc;
}

std::size_t tamanoPositivo(const Json& json, const char* nombre, std::size_t porDefecto) {
    const std::size_t valor = json.value(nombre, porDefecto);
    if (valor == 0) {
        throw invalido(std::string(nombre) + " debe ser mayor que 0");
    }
    return valor;
}

void comprobarInterviniente(const Json& i, const std::string& donde) {
    if (!i.is_object() || !esClaseDeInterviniente(i.value("clase", ""))) {
        throw invalido(donde + ": clase debe ser organoJudicial, entidad o profesional");
    }
    if (i.contains("entidad") && !i.at("entidad").is_object()) {
        throw invalido(donde + ": la entidad de un profesional es un objeto");
    }
}

} // namespace

bool esClaseDeInterviniente(std::string_view clase) {
    return clase == "organoJudicial" || clase == "entidad" || clase == "profesional";
}

std::string textoDe(const Json& valor) {
    if (valor.is_string()) {
        return valor.get<std::string>();
    }
    if (valor.is_null()) {
        return "";
    }
    return valor.dump();
}

std::vector<Notificacion> leerNotificaciones(const Json& lista, const std::filesystem::path& base) {
    if (!lista.is_array()) {
        throw invalido("notificaciones debe ser una lista");
    }
    std::vector<Notificacion> r;
    for (const Json& n : lista) {
        Notificacion notificacion;
        notificacion.id = textoDe(n.at("id"));
        if (notificacion.id.empty()) {
            throw invalido("una notificación sin id");
        }
        if (n.contains("origen")) {
            comprobarInterviniente(n.at("origen"), "origen de " + notificacion.id);
        }
        notificacion.campos = n;
        notificacion.pendiente = n.value("pendiente", true);
        const Json documentos = n.value("documentos", Json::array());
        for (std::size_t i = 0; i < documentos.size(); ++i) {
            notificacion.documentos.push_back(leerDocumento(documentos[i], i, base));
        }
        notificacion.campos.erase("documentos"); // contents can be large; kept above
        r.push_back(std::move(notificacion));
    }
    return r;
}

Datos leerDatos(const Json& json, const std::filesystem::path& base) {
    try {
        Datos d;
        d.tamBloque = tamanoPositivo(json, "tamBloque", d.tamBloque);
        d.tamBloqueEnvio = tamanoPositivo(json, "tamBloqueEnvio", d.tamBloque);
        d.primeraSesion = json.value("primeraSesion", d.primeraSesion);
        d.primerEnvio = json.value("primerEnvio", d.primerEnvio);
        d.prefijoAcuse = json.value("prefijoAcuse", d.prefijoAcuse);
        d.fechaIngreso = json.value("fechaIngreso", d.fechaIngreso);
        d.mimeInicial = json.value("mimeInicial", d.mimeInicial);
        d.exigirFirma = json.value("exigirFirma", d.exigirFirma);
        d.notificaciones = leerNotificaciones(json.value("notificaciones", Json::array()), base);
        d.destinatarios = json.value("destinatarios", Json::array());
        d.tiposProcedimiento = json.value("tiposProcedimiento", Json::array());
        if (!d.destinatarios.is_array() || !d.tiposProcedimiento.is_array()) {
            throw invalido("destinatarios y tiposProcedimiento deben ser listas");
        }
        for (const Json& i : d.destinatarios) {
            comprobarInterviniente(i, "destinatarios");
        }
        std::set<std::string> ids;
        for (const Notificacion& n : d.notificaciones) {
            if (!ids.insert(n.id).second) {
                throw invalido("id repetido: " + n.id);
            }
        }
        return d;
    } catch (const nlohmann::json::exception& e) {
        throw invalido(e.what());
    }
}

Datos cargarDatos(const std::filesystem::path& archivo) {
    Json json;
    try {
        json = Json::parse(leerArchivo(archivo));
    } catch (const nlohmann::json::exception& e) {
        throw invalido(archivo.string() + ": " + e.what());
    }
    return leerDatos(json, archivo.parent_path());
}
