#include "card/Tarjeta.h"

#include "core/Texto.h"
#include "platform/Sistema.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <libp11.h>
#include <memory>
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace {

constexpr unsigned long kPinIncorrecto = 0xA0; // CKR_PIN_INCORRECT
constexpr unsigned long kPinBloqueado = 0xA4;  // CKR_PIN_LOCKED

std::string nombreSimple(const X509_NAME* nombre) {
    // The common name, else the organisation, else the whole name on one line.
    for (const int nid : {NID_commonName, NID_organizationName, NID_organizationalUnitName}) {
        const int i = X509_NAME_get_index_by_NID(nombre, nid, -1);
        if (i >= 0) {
            const ASN1_STRING* dato = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(nombre, i));
            unsigned char* utf8 = nullptr;
            const int n = ASN1_STRING_to_UTF8(&utf8, dato);
            if (n >= 0) {
                std::string r(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(n));
                OPENSSL_free(utf8);
                return r;
            }
        }
    }
    char linea[512];
    X509_NAME_oneline(nombre, linea, sizeof linea);
    return linea;
}

std::string fecha(const ASN1_TIME* t) {
    std::tm tm{};
    if (ASN1_TIME_to_tm(t, &tm) != 1) {
        return {};
    }
    char texto[40];
    std::snprintf(texto, sizeof texto, "%02d/%02d/%04d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900);
    return texto;
}

std::string numeroSerie(X509* x) {
    BIGNUM* bn = ASN1_INTEGER_to_BN(X509_get_serialNumber(x), nullptr);
    char* hex = bn ? BN_bn2hex(bn) : nullptr;
    std::string r = hex ? hex : "";
    OPENSSL_free(hex);
    BN_free(bn);
    return r;
}

std::string huella(X509* x) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    X509_digest(x, EVP_sha1(), md, &n);
    return hexadecimal(md, n);
}

// The PKCS#11 return value (CKR_...) libp11 left in OpenSSL's error queue, and the text
// of the last error there.
std::pair<unsigned long, std::string> ultimoError() {
    unsigned long codigo = 0;
    std::string texto;
    while (const unsigned long e = ERR_get_error()) {
        if (codigo == 0 && ERR_GET_LIB(e) == ERR_get_CKR_code()) {
            codigo = ERR_GET_REASON(e);
        }
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        texto = buf;
    }
    return {codigo, texto};
}

// One RSA-PSS signature of a dummy digest: what the module lists may not be what reaches
// it through the key (PSS may also be made from raw RSA).
bool pruebaRsaPss(EVP_PKEY* clave) {
    if (EVP_PKEY_get_base_id(clave) != EVP_PKEY_RSA) {
        return true;
    }
    std::unique_ptr<EVP_PKEY_CTX, void (*)(EVP_PKEY_CTX*)> ctx(EVP_PKEY_CTX_new(clave, nullptr),
                                                               EVP_PKEY_CTX_free);
    const unsigned char resumen[32] = {};
    std::size_t largo = 0;
    bool firma = ctx && EVP_PKEY_sign_init(ctx.get()) == 1 &&
                 EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PSS_PADDING) == 1 &&
                 EVP_PKEY_CTX_set_signature_md(ctx.get(), EVP_sha256()) == 1 &&
                 EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx.get(), RSA_PSS_SALTLEN_DIGEST) == 1 &&
                 EVP_PKEY_sign(ctx.get(), nullptr, &largo, resumen, sizeof resumen) == 1;
    if (firma) {
        std::vector<unsigned char> bytes(largo);
        firma = EVP_PKEY_sign(ctx.get(), bytes.data(), &largo, resumen, sizeof resumen) == 1;
    }
    ERR_clear_error();
    return firma;
}

void limpiar(std::string& pin) {
    volatile char* p = pin.data();
    for (std::size_t i = 0; i < pin.size(); ++i) {
        p[i] = 0;
    }
    pin.clear();
}

} // namespace

struct AlmacenTarjeta::Impl {
    PKCS11_CTX* ctx = nullptr;
    bool cargado = false;
    PKCS11_SLOT* ranuras = nullptr;
    unsigned int nRanuras = 0;
    struct Entrada {
        PKCS11_SLOT* ranura;
        PKCS11_CERT* cert;
        EVP_PKEY* clave = nullptr;
        bool pss = true;
    };
    std::vector<Entrada> entradas;

    ~Impl() {
        for (Entrada& e : entradas) {
            EVP_PKEY_free(e.clave);
        }
        if (ranuras) {
            PKCS11_release_all_slots(ctx, ranuras, nRanuras);
        }
        if (cargado) {
            PKCS11_CTX_unload(ctx);
        }
        if (ctx) {
            PKCS11_CTX_free(ctx);
        }
    }
};

AlmacenTarjeta::AlmacenTarjeta(const std::string& modulo) : impl_(std::make_shared<Impl>()) {
    ERR_clear_error();
    impl_->ctx = PKCS11_CTX_new();
    if (!impl_->ctx) {
        throw ErrorTarjeta(0, "No se puede iniciar el acceso a la tarjeta");
    }
    if (PKCS11_CTX_load(impl_->ctx, modulo.c_str()) != 0) {
        const auto [codigo, texto] = ultimoError();
        throw ErrorTarjeta(codigo, "No se puede cargar el módulo de la tarjeta [" + modulo + "]" +
                                       (texto.empty() ? "" : ": " + texto));
    }
    impl_->cargado = true;
    if (PKCS11_enumerate_slots(impl_->ctx, &impl_->ranuras, &impl_->nRanuras) != 0) {
        const auto [codigo, texto] = ultimoError();
        throw ErrorTarjeta(codigo, "No se pueden leer los lectores de tarjetas: " + texto);
    }
    for (unsigned int i = 0; i < impl_->nRanuras; ++i) {
        PKCS11_SLOT* ranura = &impl_->ranuras[i];
        if (!ranura->token || !ranura->token->initialized) {
            continue;
        }
        PKCS11_CERT* certs = nullptr;
        unsigned int nCerts = 0;
        if (PKCS11_enumerate_certs(ranura->token, &certs, &nCerts) != 0) {
            const auto [codigo, texto] = ultimoError();
            throw ErrorTarjeta(codigo,
                               "No se pueden leer los certificados de la tarjeta: " + texto);
        }
        for (unsigned int k = 0; k < nCerts; ++k) {
            X509* x = certs[k].x509;
            if (!x) {
                continue;
            }
            impl_->entradas.push_back({ranura, &certs[k]});
            certificados_.push_back(
                {nombreSimple(X509_get_issuer_name(x)), nombreSimple(X509_get_subject_name(x)),
                 fecha(X509_get0_notBefore(x)), fecha(X509_get0_notAfter(x)), numeroSerie(x),
                 huella(x), ranura->token->label ? ranura->token->label : ""});
        }
    }
}

AlmacenTarjeta::~AlmacenTarjeta() = default;

x509_st* AlmacenTarjeta::x509(std::size_t indice) const {
    return impl_->entradas.at(indice).cert->x509;
}

evp_pkey_st* AlmacenTarjeta::clavePrivada(std::size_t indice, const PedirPin& pedirPin) {
    Impl::Entrada& e = impl_->entradas.at(indice);
    if (e.clave) {
        return e.clave;
    }
    ERR_clear_error();
    PKCS11_TOKEN* token = e.ranura->token;
    int dentro = 0;
    if (PKCS11_is_logged_in(e.ranura, 0, &dentro) != 0) {
        dentro = 0;
    }
    if (!dentro && token->loginRequired) {
        if (token->userPinLocked) {
            throw ErrorTarjeta(kPinBloqueado, "El PIN de la tarjeta está bloqueado");
        }
        std::optional<std::string> pin;
        if (!token->secureLogin) {
            pin = pedirPin(token->label ? token->label : "");
            if (!pin) {
                throw PinCancelado();
            }
        }
        const int r = PKCS11_login(e.ranura, 0, pin ? pin->c_str() : nullptr);
        if (pin) {
            limpiar(*pin);
        }
        if (r != 0) {
            const auto [codigo, texto] = ultimoError();
            if (codigo == kPinIncorrecto) {
                pinRechazado_ = true;
                throw ErrorPin(codigo, "El PIN introducido no es correcto");
            }
            throw ErrorTarjeta(codigo, "La tarjeta no admite el PIN: " + texto);
        }
    }
    PKCS11_KEY* clave = PKCS11_find_key(e.cert);
    if (!clave) {
        throw ErrorTarjeta(0, "La tarjeta no tiene la clave privada del certificado");
    }
    e.clave = PKCS11_get_private_key(clave);
    if (!e.clave) {
        const auto [codigo, texto] = ultimoError();
        throw ErrorTarjeta(codigo, "No se puede usar la clave privada de la tarjeta: " + texto);
    }
    e.pss = pruebaRsaPss(e.clave);
    return e.clave;
}

bool AlmacenTarjeta::firmaPss(std::size_t indice) const {
    return impl_->entradas.at(indice).pss;
}

std::string moduloDeTodasLasTarjetas() {
    return moduloPkcs11("p11-kit-proxy");
}
