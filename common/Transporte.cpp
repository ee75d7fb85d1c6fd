#include "common/Transporte.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <openssl/ssl.h>

namespace {

void iniciarCurl() {
    static std::once_flag hecho;
    std::call_once(hecho, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Recepcion {
    CURL* curl;
    std::string* texto;
};

// Sizes the answer once from its Content-Length, then appends.
size_t recibir(char* datos, size_t tam, size_t n, void* destino) {
    auto* r = static_cast<Recepcion*>(destino);
    if (r->texto->empty()) {
        curl_off_t largo = -1;
        if (curl_easy_getinfo(r->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &largo) == CURLE_OK &&
            largo > 0) {
            r->texto->reserve(static_cast<std::size_t>(largo));
        }
    }
    r->texto->append(datos, tam * n);
    return tam * n;
}

// Puts the card's certificate and key into the TLS context of the handshake.
CURLcode prepararTls(CURL*, void* ctx, void* datos) {
    const auto* identidad = static_cast<const IdentidadTls*>(datos);
    auto* ssl = static_cast<SSL_CTX*>(ctx);
    if (identidad->certificado && SSL_CTX_use_certificate(ssl, identidad->certificado) != 1) {
        return CURLE_SSL_CERTPROBLEM;
    }
    if (identidad->clave && SSL_CTX_use_PrivateKey(ssl, identidad->clave) != 1) {
        return CURLE_SSL_CERTPROBLEM;
    }
    return CURLE_OK;
}

ResultadoEnvio clasificar(CURLcode codigo, std::string_view detalle) {
    // The server refusing the card's certificate shows as a TLS alert about it.
    const bool alertaCertificado = detalle.find("alert") != std::string_view::npos &&
                                   detalle.find("certificate") != std::string_view::npos;
    if ((codigo == CURLE_SSL_CONNECT_ERROR || codigo == CURLE_RECV_ERROR ||
         codigo == CURLE_SEND_ERROR) &&
        alertaCertificado) {
        return ResultadoEnvio::CanalSeguro;
    }
    switch (codigo) {
    case CURLE_OK:
        return ResultadoEnvio::Correcto;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CLIENTCERT:
        return ResultadoEnvio::CanalSeguro;
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return ResultadoEnvio::ConexionPerdida;
    default:
        return ResultadoEnvio::OtroError;
    }
}

struct Cabeceras {
    curl_slist* lista = nullptr;
    void anadir(const std::string& c) { lista = curl_slist_append(lista, c.c_str()); }
    ~Cabeceras() { curl_slist_free_all(lista); }
};

} // namespace

ConexionHttps::ConexionHttps() {
    iniciarCurl();
}

ConexionHttps::~ConexionHttps() {
    reiniciar();
}

void ConexionHttps::reiniciar() {
    if (curl_) {
        curl_easy_cleanup(static_cast<CURL*>(curl_));
        curl_ = nullptr;
    }
}

Envio enviarPeticion(std::string_view url, std::string_view cuerpo, std::string_view soapAction,
                     const IdentidadTls& identidad, const OpcionesEnvio& opciones) {
    ConexionHttps conexion;
    return conexion.enviar(url, cuerpo, soapAction, identidad, opciones);
}

Envio ConexionHttps::enviar(std::string_view url, std::string_view cuerpo,
                            std::string_view soapAction, const IdentidadTls& identidad,
                            const OpcionesEnvio& opciones) {
    Envio envio;
    if (!curl_) {
        curl_ = curl_easy_init();
    } else {
        // The options go; the kept connection and TLS session stay.
        curl_easy_reset(static_cast<CURL*>(curl_));
    }
    if (!curl_) {
        envio.codigo = CURLE_FAILED_INIT;
        envio.descripcion = curl_easy_strerror(CURLE_FAILED_INIT);
        return envio;
    }
    CURL* c = static_cast<CURL*>(curl_);
    Recepcion recepcion{c, &envio.respuesta};
    char detalle[CURL_ERROR_SIZE] = {};
    const std::string direccion(url);

    Cabeceras cabeceras;
    cabeceras.anadir("Content-Type: text/xml; charset=utf-8");
    cabeceras.anadir("Connection: Keep-Alive");
    // A blank SOAPAction must still reach the server: "Name;" sends it empty, whereas
    // "Name: " would make the library drop the header.
    if (soapAction.find_first_not_of(' ') == std::string_view::npos) {
        cabeceras.anadir("SOAPAction;");
    } else {
        cabeceras.anadir("SOAPAction: " + std::string(soapAction));
    }
    cabeceras.anadir("Expect:");

    curl_easy_setopt(c, CURLOPT_URL, direccion.c_str());
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, cuerpo.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(cuerpo.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabeceras.lista);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, recibir);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &recepcion);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detalle);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    if (!opciones.agenteUsuario.empty()) {
        curl_easy_setopt(c, CURLOPT_USERAGENT, opciones.agenteUsuario.c_str());
    }
    if (opciones.seguirRedirecciones) {
        // Redirections stay on HTTPS: the session identifier never travels in clear.
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    }
    if (opciones.esperaMs > 0) {
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, opciones.esperaMs);
        // No total limit (a large document may take long); a silent connection ends.
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, opciones.esperaMs / 1000));
    }
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!opciones.autoridadServidor.empty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, opciones.autoridadServidor.c_str());
    }
    curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, prepararTls);
    curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &identidad);

    const CURLcode codigo = curl_easy_perform(c);
    envio.resultado = clasificar(codigo, detalle);
    envio.codigo = static_cast<int>(codigo);
    envio.descripcion = curl_easy_strerror(codigo);
    if (detalle[0] != '\0') {
        envio.descripcion += std::string(" (") + detalle + ")";
    }
    return envio;
}
