#include "tests/support/Simulador.h"

#include "common/Sistema.h"

#include <cstdlib>
#include <curl/curl.h>
#include <sstream>
#include <stdexcept>

namespace {

std::size_t acumular(char* datos, std::size_t tamano, std::size_t n, void* destino) {
    static_cast<std::string*>(destino)->append(datos, tamano * n);
    return tamano * n;
}

} // namespace

RespuestaHttps publicarHttps(const std::string& url, std::string_view cuerpo,
                             const std::filesystem::path& ca,
                             const std::optional<IdentidadCliente>& cliente,
                             std::chrono::seconds espera, std::string_view tipoContenido) {
    static const bool iniciado = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)iniciado;
    RespuestaHttps r;
    CURL* curl = curl_easy_init();
    if (!curl) {
        r.errorCurl = CURLE_FAILED_INIT;
        return r;
    }
    char error[CURL_ERROR_SIZE] = "";
    const std::string tipo = "Content-Type: " + std::string(tipoContenido);
    curl_slist* cabeceras = curl_slist_append(nullptr, tipo.c_str());
    const std::string ruta = ca.string();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, cuerpo.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(cuerpo.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, cabeceras);
    curl_easy_setopt(curl, CURLOPT_CAINFO, ruta.c_str());
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    const std::string certificado = cliente ? cliente->certificado.string() : "";
    const std::string clave = cliente ? cliente->clave.string() : "";
    if (cliente) {
        curl_easy_setopt(curl, CURLOPT_SSLCERT, certificado.c_str());
        curl_easy_setopt(curl, CURLOPT_SSLKEY, clave.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(espera.count()));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, acumular);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.cuerpo);
    r.errorCurl = curl_easy_perform(curl);
    if (r.errorCurl != CURLE_OK) {
        r.error = *error ? error : curl_easy_strerror(static_cast<CURLcode>(r.errorCurl));
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.estado);
    curl_slist_free_all(cabeceras);
    curl_easy_cleanup(curl);
    return r;
}

std::filesystem::path Simulador::ejecutable() {
    if (const char* s = std::getenv("LEXNET_SIMULADOR"); s && *s) {
        return s;
    }
    return std::filesystem::path(carpetaDelEjecutable()) / "lexnet-sim";
}

namespace {

OpcionesSimulador conDatos(std::string datosJson) {
    OpcionesSimulador o;
    o.datos = std::move(datosJson);
    return o;
}

} // namespace

Simulador::Simulador(std::string datosJson) : Simulador(conDatos(std::move(datosJson))) {}

Simulador::Simulador(OpcionesSimulador opciones) : tarjeta_(TarjetaPrueba::comun()) {
    const std::filesystem::path programa = ejecutable();
    if (!std::filesystem::exists(programa)) {
        throw std::runtime_error("no se encuentra el simulador " + programa.string() +
                                 " (constrúyalo, o indique LEXNET_SIMULADOR)");
    }
    std::filesystem::path datos = opciones.archivoDatos;
    if (!opciones.datos.empty()) {
        datos = carpeta_ / "datos.json";
        escribirArchivo(datos, opciones.datos);
    }
    std::vector<std::string> argumentos = {
        programa.string(),
        "--puerto",
        "0",
        "--certificado",
        (opciones.certificado.empty() ? tarjeta_.certificadoServidor() : opciones.certificado)
            .string(),
        "--clave",
        (opciones.clave.empty() ? tarjeta_.claveServidor() : opciones.clave).string(),
        "--ca",
        tarjeta_.ca().string(),
        "--datos",
        datos.string(),
        "--registro",
        (carpeta_ / "peticiones.log").string(),
        "--envios",
        carpetaEnvios().string(),
    };
    if (!opciones.fallos.empty()) {
        escribirArchivo(carpeta_ / "fallos.json", opciones.fallos);
        argumentos.insert(argumentos.end(), {"--fallos", (carpeta_ / "fallos.json").string()});
    }
    escribirArchivo(carpeta_ / "peticiones.log", "");
    proceso_ = std::make_unique<ProcesoHijo>(argumentos, carpeta_ / "errores.log");
    const std::optional<std::string> linea = proceso_->leerLinea(std::chrono::seconds(20));
    if (!linea || !linea->starts_with("PUERTO=")) {
        proceso_.reset();
        throw std::runtime_error("el simulador no arrancó: " +
                                 leerArchivo(carpeta_ / "errores.log"));
    }
    puerto_ = std::stoi(linea->substr(7));
    proceso_->cerrarSalida();
}

Simulador::~Simulador() = default;

std::string Simulador::url() const {
    return "https://127.0.0.1:" + std::to_string(puerto_) + "/services/";
}

std::vector<nlohmann::json> Simulador::peticiones() const {
    std::vector<nlohmann::json> r;
    const std::string texto = leerArchivo(carpeta_ / "peticiones.log");
    // A line still being written (no line end yet) belongs to a request not answered yet.
    std::istringstream lineas(texto.substr(0, texto.rfind('\n') + 1));
    for (std::string linea; std::getline(lineas, linea);) {
        if (!linea.empty()) {
            r.push_back(nlohmann::json::parse(linea));
        }
    }
    return r;
}

std::vector<nlohmann::json> Simulador::peticiones(std::string_view operacion) const {
    std::vector<nlohmann::json> r;
    for (nlohmann::json& p : peticiones()) {
        if (p.value("operacion", "") == operacion) {
            r.push_back(std::move(p));
        }
    }
    return r;
}

void Simulador::fallar(const nlohmann::json& fallos) {
    control(fallos.is_array() ? nlohmann::json{{"fallos", fallos}} : fallos);
}

void Simulador::control(const nlohmann::json& orden) {
    const RespuestaHttps r = publicarHttps(
        "https://127.0.0.1:" + std::to_string(puerto_) + "/control", orden.dump(), tarjeta_.ca(),
        IdentidadCliente{tarjeta_.certificadoControl(), tarjeta_.claveControl()},
        std::chrono::seconds(30), "application/json");
    if (r.errorCurl != 0 || r.estado != 200) {
        throw std::runtime_error("el simulador no aceptó la orden " + orden.dump() + ": " +
                                 r.error + r.cuerpo);
    }
}
