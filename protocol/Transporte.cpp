#include "protocol/Transporte.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <openssl/ssl.h>

namespace {

void iniciarCurl() {
    static std::once_flag hecho;
    std::call_once(hecho, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The reservation a Content-Length may ask for: the header is the peer's word, so beyond
// this the text grows as the bytes really come.
constexpr std::size_t kReservaMaxima = std::size_t{16} << 20;
constexpr int kMaximoRedirecciones = 5;
constexpr long kBufferRecepcion = 512L * 1024;

struct Recepcion {
    CURL* curl;
    std::string* texto;
    std::size_t maximo;
    bool excedida = false;
};

// Sizes the answer once from its Content-Length, then appends; more than the maximum
// ends the transfer.
size_t recibir(char* datos, size_t tam, size_t n, void* destino) {
    auto* r = static_cast<Recepcion*>(destino);
    const std::size_t bytes = tam * n;
    if (bytes > r->maximo - r->texto->size()) {
        r->excedida = true;
        return 0;
    }
    if (r->texto->empty()) {
        curl_off_t largo = -1;
        if (curl_easy_getinfo(r->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &largo) == CURLE_OK &&
            largo > 0) {
            r->texto->reserve(
                std::min({static_cast<std::size_t>(largo), r->maximo, kReservaMaxima}));
        }
    }
    r->texto->append(datos, bytes);
    return bytes;
}

// The request body, handed to the library as it asks for it.
struct Cuerpo {
    std::string_view texto;
    std::size_t enviado = 0;
};

size_t leerCuerpo(char* destino, size_t tam, size_t n, void* datos) {
    auto* c = static_cast<Cuerpo*>(datos);
    const std::size_t bytes = std::min(tam * n, c->texto.size() - c->enviado);
    std::memcpy(destino, c->texto.data() + c->enviado, bytes);
    c->enviado += bytes;
    return bytes;
}

// When a kept connection dies after the request went out, the library would send it again
// on a new one behind the caller's back, although LexNET may already have carried it out
// (a writ announced twice). Refusing to rewind a body already sent, even in part, makes
// that a lost connection, which the caller retries or not as it decides.
int rebobinarCuerpo(void* datos, curl_off_t desplazamiento, int origen) {
    const auto* c = static_cast<const Cuerpo*>(datos);
    return c->enviado == 0 && desplazamiento == 0 && origen == SEEK_SET ? CURL_SEEKFUNC_OK
                                                                        : CURL_SEEKFUNC_FAIL;
}

// Whether `destino` is HTTPS on the same host and port as `origen`.
bool mismoServidor(const std::string& origen, const char* destino) {
    const auto partes = [](const char* url) {
        std::string r;
        CURLU* u = curl_url();
        if (curl_url_set(u, CURLUPART_URL, url, 0) == CURLUE_OK) {
            for (const CURLUPart parte : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
                char* valor = nullptr;
                if (curl_url_get(u, parte, &valor, CURLU_DEFAULT_PORT) != CURLUE_OK) {
                    curl_url_cleanup(u);
                    return std::string();
                }
                r += valor;
                r += '\n';
                curl_free(valor);
            }
        }
        curl_url_cleanup(u);
        std::transform(r.begin(), r.end(), r.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return r;
    };
    const std::string a = partes(origen.c_str());
    return !a.empty() && a.starts_with("https\n") && a == partes(destino);
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
    if (identidad->sinPss &&
        (SSL_CTX_set_max_proto_version(ssl, TLS1_2_VERSION) != 1 ||
         SSL_CTX_set1_client_sigalgs_list(ssl, "RSA+SHA256:RSA+SHA384:RSA+SHA512") != 1)) {
        return CURLE_SSL_CONNECT_ERROR;
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
    case CURLE_SEND_FAIL_REWIND:
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
    Recepcion recepcion{c, &envio.respuesta, opciones.maximoRespuesta};
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

    Cuerpo envioCuerpo{cuerpo};
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, leerCuerpo);
    curl_easy_setopt(c, CURLOPT_READDATA, &envioCuerpo);
    curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, rebobinarCuerpo);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, &envioCuerpo);
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(cuerpo.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabeceras.lista);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, recibir);
    // Blocks of a megabyte and more come in fewer, larger reads.
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kBufferRecepcion);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &recepcion);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detalle);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    if (!opciones.agenteUsuario.empty()) {
        curl_easy_setopt(c, CURLOPT_USERAGENT, opciones.agenteUsuario.c_str());
    }
    // A Content-Length above the maximum fails before any of the body is taken.
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(opciones.maximoRespuesta));
    if (opciones.esperaMs > 0) {
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, opciones.esperaMs);
        // No total limit (a large document may take long); a silent connection ends.
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, opciones.esperaMs / 1000));
    }
    if (opciones.limiteMs > 0) {
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, opciones.limiteMs);
    }
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!opciones.autoridadServidor.empty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, opciones.autoridadServidor.c_str());
    }
    curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, prepararTls);
    curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &identidad);

    // Redirections are followed by hand: the library would follow them to any host, which
    // would then see the card's certificate and the session in the body.
    std::string destino = direccion;
    std::string rechazada;
    CURLcode codigo = CURLE_OK;
    for (int saltos = 0;; ++saltos) {
        curl_easy_setopt(c, CURLOPT_URL, destino.c_str());
        envioCuerpo.enviado = 0;
        envio.respuesta.clear();
        detalle[0] = '\0';
        codigo = curl_easy_perform(c);
        char* siguiente = nullptr;
        if (codigo != CURLE_OK || !opciones.seguirRedirecciones ||
            curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &siguiente) != CURLE_OK || !siguiente) {
            break;
        }
        if (saltos == kMaximoRedirecciones) {
            codigo = CURLE_TOO_MANY_REDIRECTS;
            break;
        }
        if (!mismoServidor(destino, siguiente)) {
            codigo = CURLE_TOO_MANY_REDIRECTS;
            rechazada = siguiente;
            break;
        }
        destino = siguiente;
    }
    if (recepcion.excedida) {
        codigo = CURLE_FILESIZE_EXCEEDED;
    }
    envio.resultado = clasificar(codigo, detalle);
    envio.codigo = static_cast<int>(codigo);
    envio.descripcion = curl_easy_strerror(codigo);
    if (!rechazada.empty()) {
        envio.descripcion = "Redirección a otro servidor rechazada: " + rechazada;
    } else if (detalle[0] != '\0') {
        envio.descripcion += std::string(" (") + detalle + ")";
    }
    if (envio.resultado != ResultadoEnvio::Correcto) {
        envio.respuesta.clear();
    }
    return envio;
}
