#include "tools/lexnet-sim/Firma.h"

#include <algorithm>
#include <cctype>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <stdexcept>

namespace {

std::string ultimoErrorOpenssl() {
    const unsigned long codigo = ERR_peek_last_error();
    char texto[256] = "error desconocido";
    if (codigo != 0) {
        ERR_error_string_n(codigo, texto, sizeof texto);
    }
    ERR_clear_error();
    return texto;
}

// Why a signer's digest is not SHA-256, the only one LexNET takes: the digestAlgorithm of
// its SignerInfo and the digest its signature algorithm names, when it names one. Empty when
// every signer uses SHA-256.
std::string resumenNoAdmitido(CMS_ContentInfo* cms) {
    STACK_OF(CMS_SignerInfo)* firmantes = CMS_get0_SignerInfos(cms);
    for (int i = 0; i < sk_CMS_SignerInfo_num(firmantes); ++i) {
        X509_ALGOR* resumen = nullptr;
        X509_ALGOR* firma = nullptr;
        CMS_SignerInfo_get0_algs(sk_CMS_SignerInfo_value(firmantes, i), nullptr, nullptr, &resumen,
                                 &firma);
        const ASN1_OBJECT* objeto = nullptr;
        X509_ALGOR_get0(&objeto, nullptr, nullptr, resumen);
        const int nidResumen = OBJ_obj2nid(objeto);
        if (nidResumen != NID_sha256) {
            return std::string("resumen ") + OBJ_nid2sn(nidResumen) + " en lugar de SHA-256";
        }
        X509_ALGOR_get0(&objeto, nullptr, nullptr, firma);
        int nidFirma = NID_undef;
        int nidClave = NID_undef;
        if (OBJ_find_sigid_algs(OBJ_obj2nid(objeto), &nidFirma, &nidClave) != 0 &&
            nidFirma != NID_undef && nidFirma != NID_sha256) {
            return std::string("algoritmo de firma ") + OBJ_nid2sn(OBJ_obj2nid(objeto)) +
                   " en lugar de uno con SHA-256";
        }
    }
    return {};
}

// The micalg parameter of a multipart/signed message's header, lower case; empty when absent.
std::string micalgDe(std::string_view mime) {
    std::string cabecera(mime.substr(0, std::min(mime.find("\r\n\r\n"), mime.find("\n\n"))));
    std::transform(cabecera.begin(), cabecera.end(), cabecera.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t i = cabecera.find("micalg=");
    if (i == std::string::npos) {
        return {};
    }
    std::string valor = cabecera.substr(i + 7);
    if (!valor.empty() && valor[0] == '"') {
        valor = valor.substr(1, valor.find('"', 1) - 1);
    }
    return valor.substr(0, valor.find_first_of("; \t\r\n"));
}

} // namespace

std::string sujetoDe(X509* certificado) {
    BIO* bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, X509_get_subject_name(certificado), 0, XN_FLAG_RFC2253);
    char* datos = nullptr;
    const long n = BIO_get_mem_data(bio, &datos);
    std::string sujeto(datos, static_cast<std::size_t>(n));
    BIO_free(bio);
    return sujeto;
}

std::string derDe(X509* certificado) {
    unsigned char* der = nullptr;
    const int n = i2d_X509(certificado, &der);
    if (n <= 0) {
        return {};
    }
    std::string r(reinterpret_cast<char*>(der), static_cast<std::size_t>(n));
    OPENSSL_free(der);
    return r;
}

VerificadorFirma::VerificadorFirma(const std::filesystem::path& ca)
    : almacen_(X509_STORE_new(), X509_STORE_free) {
    if (!almacen_ || X509_STORE_load_file(almacen_.get(), ca.string().c_str()) != 1) {
        throw std::runtime_error("no se puede cargar la autoridad " + ca.string());
    }
}

ResultadoFirma VerificadorFirma::comprobar(CMS_ContentInfo* cms, BIO* contenido, unsigned modo,
                                           std::string_view certificadoSesion) const {
    ResultadoFirma r;
    r.valida = CMS_verify(cms, nullptr, almacen_.get(), contenido, nullptr, modo) == 1;
    if (!r.valida) {
        r.detalle = ultimoErrorOpenssl();
        return r;
    }
    r.detalle = resumenNoAdmitido(cms);
    if (!r.detalle.empty()) {
        r.valida = false;
        return r;
    }
    STACK_OF(X509)* firmantes = CMS_get0_signers(cms);
    if (firmantes && sk_X509_num(firmantes) > 0) {
        X509* firmante = sk_X509_value(firmantes, 0);
        r.firmante = sujetoDe(firmante);
        r.delTitular = !certificadoSesion.empty() && derDe(firmante) == certificadoSesion;
    }
    sk_X509_free(firmantes);
    return r;
}

// A multipart/signed message is checked as S/MIME asks (lines canonicalised to CR LF) and,
// failing that, on its exact bytes.
ResultadoFirma VerificadorFirma::verificar(std::string_view mime,
                                           std::string_view certificadoSesion) const {
    ResultadoFirma r;
    for (const unsigned modo : {0u, static_cast<unsigned>(CMS_BINARY)}) {
        BIO* entrada = BIO_new_mem_buf(mime.data(), static_cast<int>(mime.size()));
        BIO* contenido = nullptr;
        CMS_ContentInfo* cms = SMIME_read_CMS(entrada, &contenido);
        if (!cms) {
            r.detalle = "no es un mensaje S/MIME firmado: " + ultimoErrorOpenssl();
            BIO_free(entrada);
            return r;
        }
        r = comprobar(cms, contenido, modo, certificadoSesion);
        CMS_ContentInfo_free(cms);
        BIO_free(contenido);
        BIO_free(entrada);
        if (r.valida) {
            break;
        }
    }
    // The digest the message announces must be the one its signature used.
    if (const std::string micalg = micalgDe(mime);
        r.valida && !micalg.empty() && micalg != "sha-256") {
        r.valida = false;
        r.detalle = "micalg=\"" + micalg + "\" no es el resumen de la firma (sha-256)";
    }
    return r;
}

ResultadoFirma VerificadorFirma::verificarSeparada(std::string_view der, std::string_view datos,
                                                   std::string_view certificadoSesion) const {
    ResultadoFirma r;
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size()));
    if (!cms) {
        r.detalle = "la firma no es una estructura CMS: " + ultimoErrorOpenssl();
        return r;
    }
    BIO* contenido = BIO_new_mem_buf(datos.data(), static_cast<int>(datos.size()));
    r = comprobar(cms, contenido, CMS_BINARY, certificadoSesion);
    BIO_free(contenido);
    CMS_ContentInfo_free(cms);
    return r;
}

std::optional<std::string> VerificadorFirma::contenidoFirmado(std::string_view mime) {
    BIO* entrada = BIO_new_mem_buf(mime.data(), static_cast<int>(mime.size()));
    BIO* contenido = nullptr;
    CMS_ContentInfo* cms = SMIME_read_CMS(entrada, &contenido);
    std::optional<std::string> r;
    if (cms && contenido) {
        std::string texto;
        char pieza[65536];
        int n = 0;
        while ((n = BIO_read(contenido, pieza, sizeof pieza)) > 0) {
            texto.append(pieza, static_cast<std::size_t>(n));
        }
        r = std::move(texto);
    }
    ERR_clear_error();
    CMS_ContentInfo_free(cms);
    BIO_free(contenido);
    BIO_free(entrada);
    return r;
}
