#include "send/MensajeSmime.h"

#include "core/Texto.h"
#include "protocol/Enc64.h"
#include "settings/Ajustes.h"

#include <fstream>
#include <memory>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kCRLF = "\r\n";
// A whole number of Base64 lines (54 bytes each) per piece read.
constexpr std::size_t kPieza = 54 * 4096;

using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;
using Cms = std::unique_ptr<CMS_ContentInfo, decltype(&CMS_ContentInfo_free)>;

std::string errorOpenssl() {
    const unsigned long codigo = ERR_peek_last_error();
    char texto[256] = "error desconocido";
    if (codigo != 0) {
        ERR_error_string_n(codigo, texto, sizeof texto);
    }
    ERR_clear_error();
    return texto;
}

std::string frontera(std::string_view prefijo) {
    unsigned char azar[12];
    if (RAND_bytes(azar, sizeof azar) != 1) {
        throw ErrorSmime("No se ha podido generar la frontera MIME: " + errorOpenssl());
    }
    return std::string(prefijo) + hexadecimal(azar, sizeof azar);
}

// Detached signature over the bytes of a BIO, read to its end.
Cms firmar(BIO* datos, const Firmante& f) {
    constexpr unsigned kModo = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL;
    Cms cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, kModo), CMS_ContentInfo_free);
    if (!cms || !CMS_add1_signer(cms.get(), f.certificado, f.clave, EVP_sha256(), kModo) ||
        CMS_final(cms.get(), datos, nullptr, kModo) != 1) {
        throw ErrorSmime(errorOpenssl());
    }
    return cms;
}

Bio leerArchivo(const fs::path& archivo) {
    Bio bio(BIO_new_file(archivo.string().c_str(), "rb"), BIO_free);
    if (!bio) {
        ERR_clear_error();
        throw ErrorSmime("No se ha podido leer el fichero " + comoTexto(archivo));
    }
    return bio;
}

std::string sinSaltoFinal(std::string texto) {
    if (terminaEn(texto, kCRLF)) {
        texto.resize(texto.size() - 2);
    }
    return texto;
}

class Escritor {
public:
    explicit Escritor(const fs::path& archivo)
        : archivo_(archivo), f_(archivo, std::ios::binary | std::ios::trunc) {
        if (!f_) {
            throw ErrorSmime("No se ha podido crear el fichero " + comoTexto(archivo));
        }
    }
    Escritor& operator<<(std::string_view texto) {
        f_.write(texto.data(), static_cast<std::streamsize>(texto.size()));
        return *this;
    }
    // The Base64 lines of a file, without the line break after the last one.
    void base64DeArchivo(const fs::path& archivo) {
        std::ifstream e(archivo, std::ios::binary);
        if (!e) {
            throw ErrorSmime("No se ha podido adjuntar el fichero " + comoTexto(archivo));
        }
        std::string pieza(kPieza, '\0');
        bool primera = true;
        while (e) {
            e.read(pieza.data(), static_cast<std::streamsize>(pieza.size()));
            const auto leidos = static_cast<std::size_t>(e.gcount());
            if (leidos == 0) {
                break;
            }
            *this << (primera ? "" : kCRLF)
                  << sinSaltoFinal(codificarBase64(std::string_view(pieza.data(), leidos)));
            primera = false;
        }
        if (e.bad()) {
            throw ErrorSmime("No se ha podido adjuntar el fichero " + comoTexto(archivo));
        }
    }
    void cerrar() {
        f_.close();
        if (!f_) {
            throw ErrorSmime("No se ha podido escribir el fichero " + comoTexto(archivo_));
        }
    }

private:
    fs::path archivo_;
    std::ofstream f_;
};

// Text lines ended by CR LF, whatever ended them.
std::string conCRLF(std::string_view texto) {
    std::string r;
    r.reserve(texto.size() + texto.size() / 32);
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\n' && (i == 0 || texto[i - 1] != '\r')) {
            r += '\r';
        }
        r += texto[i];
    }
    return r;
}

// The value of a header field (unfolded), or "" when absent.
std::string campo(std::string_view cabeceras, std::string_view nombre) {
    std::size_t i = 0;
    while (i < cabeceras.size()) {
        std::size_t fin = cabeceras.find(kCRLF, i);
        if (fin == std::string_view::npos) {
            fin = cabeceras.size();
        }
        std::string linea(cabeceras.substr(i, fin - i));
        i = fin + 2;
        while (i < cabeceras.size() && (cabeceras[i] == ' ' || cabeceras[i] == '\t')) {
            fin = cabeceras.find(kCRLF, i);
            fin = fin == std::string_view::npos ? cabeceras.size() : fin;
            linea += cabeceras.substr(i, fin - i);
            i = fin + 2;
        }
        const std::size_t dos = linea.find(':');
        if (dos != std::string::npos &&
            igualesSinMayusculas(recortar(linea.substr(0, dos)), nombre)) {
            return recortar(linea.substr(dos + 1));
        }
    }
    return {};
}

// The boundary of a multipart Content-Type; "" for any other type.
std::string fronteraDe(const std::string& tipo) {
    if (!mayusculas(tipo).starts_with("MULTIPART/")) {
        return {};
    }
    const std::size_t i = mayusculas(tipo).find("BOUNDARY=");
    if (i == std::string::npos) {
        return {};
    }
    std::string v = tipo.substr(i + 9);
    if (!v.empty() && v.front() == '"') {
        return v.substr(1, v.find('"', 1) - 1);
    }
    return recortar(v.substr(0, v.find(';')));
}

std::string nombreEntrecomillado(const std::string& nombre) {
    std::string r = "\"";
    for (const char c : nombre) {
        if (c == '"' || c == '\\') {
            r += '\\';
        }
        r += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return r + "\"";
}

std::string tipoDe(const fs::path& archivo) {
    return mayusculas(archivo.extension().string()) == ".PDF" ? "application/pdf"
                                                              : "application/octet-stream";
}

// The starting document cut where the new parts go: before its closing delimiter.
struct Contenedor {
    std::string antes;   // headers and body up to the new parts
    std::string despues; // the closing delimiter and what follows it
    std::string frontera;
};

Contenedor contenedor(std::string_view mimeInicial) {
    const std::string mime = conCRLF(mimeInicial);
    Contenedor c;
    std::size_t corte = mime.find("\r\n\r\n");
    const std::string cabeceras = mime.substr(0, corte);
    const std::string cuerpo = corte == std::string::npos ? "" : mime.substr(corte + 4);
    c.frontera = fronteraDe(campo(cabeceras, "Content-Type"));
    if (!mime.empty() && !c.frontera.empty()) {
        const std::string cierre = "--" + c.frontera + "--";
        std::size_t fin = mime.rfind("\r\n" + cierre);
        if (fin == std::string::npos || fin < corte) {
            // No closing delimiter: the parts end the document, and so will ours.
            c.antes = terminaEn(mime, kCRLF) ? mime.substr(0, mime.size() - 2) : mime;
            c.despues = kCRLF + cierre + kCRLF;
        } else {
            c.antes = mime.substr(0, fin);
            c.despues = mime.substr(fin);
        }
        return c;
    }
    // Empty, or a single part: a new multipart/mixed holding it first.
    c.frontera = frontera("----=_Parte_");
    c.antes = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + c.frontera +
              "\"\r\n\r\nThis is a multi-part message in MIME format.";
    if (!mime.empty()) {
        std::string parte;
        std::size_t i = 0;
        while (i < cabeceras.size()) {
            std::size_t fin = cabeceras.find(kCRLF, i);
            fin = fin == std::string::npos ? cabeceras.size() : fin;
            const std::string linea = cabeceras.substr(i, fin - i);
            if (!mayusculas(linea).starts_with("MIME-VERSION:")) {
                parte += linea + kCRLF;
            }
            i = fin + 2;
        }
        c.antes += "\r\n--" + c.frontera + kCRLF + parte + kCRLF + cuerpo;
    }
    c.despues = "\r\n--" + c.frontera + "--\r\n";
    return c;
}

void parteDeArchivo(Escritor& w, const std::string& fr, const fs::path& archivo) {
    const std::string nombre = comoTexto(archivo.filename());
    w << "\r\n--" << fr << kCRLF << "Content-Type: " << tipoDe(archivo)
      << "; name=" << nombreEntrecomillado(nombre) << kCRLF
      << "Content-Transfer-Encoding: base64\r\n"
      << "Content-Disposition: attachment; filename=" << nombreEntrecomillado(nombre) << kCRLF
      << kCRLF;
    w.base64DeArchivo(archivo);
}

} // namespace

std::string signAttachFile(const fs::path& archivo, const Firmante& firmante) {
    Bio datos = leerArchivo(archivo);
    Cms cms = [&] {
        try {
            return firmar(datos.get(), firmante);
        } catch (const ErrorSmime& e) {
            throw ErrorSmime("No se ha podido firmar el fichero " + comoTexto(archivo) + ": " +
                             e.what());
        }
    }();
    unsigned char* der = nullptr;
    const int n = i2d_CMS_ContentInfo(cms.get(), &der);
    if (n <= 0) {
        throw ErrorSmime("No se ha podido firmar el fichero " + comoTexto(archivo) + ": " +
                         errorOpenssl());
    }
    std::string r(reinterpret_cast<char*>(der), static_cast<std::size_t>(n));
    OPENSSL_free(der);
    return r;
}

void ComponerSMIME(std::string_view mimeInicial, const std::vector<std::string>& documentos,
                   const Firmante& firmante, const fs::path& destino) {
    if (documentos.empty()) {
        throw ErrorSmime("El escrito no tiene documento principal.");
    }
    std::error_code ec;
    fs::remove(destino, ec);
    fs::path interior = destino;
    interior += ".contenido";
    struct Borrar {
        fs::path p;
        ~Borrar() {
            std::error_code e;
            fs::remove(p, e);
        }
    } borrarInterior{interior};

    // The signed entity: the starting document with the new parts.
    const Contenedor c = contenedor(mimeInicial);
    {
        Escritor w(interior);
        w << c.antes;
        const fs::path principal = comoRuta(documentos[0]);
        parteDeArchivo(w, c.frontera, principal);
        w << "\r\n--" << c.frontera << kCRLF
          << "Content-Type: application/x-pkcs7-signature;name=firma_documento.p7s;\r\n"
          << "Content-Transfer-Encoding: base64\r\n"
          << "Content-Disposition: attachment;filename=\"firma_documento.p7s\"\r\n\r\n"
          << sinSaltoFinal(codificarBase64(signAttachFile(principal, firmante)));
        for (std::size_t i = 1; i < documentos.size(); ++i) {
            parteDeArchivo(w, c.frontera, comoRuta(documentos[i]));
        }
        w << c.despues;
        w.cerrar();
    }

    std::string firma;
    {
        Bio datos = leerArchivo(interior);
        Cms cms = [&] {
            try {
                return firmar(datos.get(), firmante);
            } catch (const ErrorSmime& e) {
                throw ErrorSmime(std::string("No se ha podido firmar el mensaje: ") + e.what());
            }
        }();
        unsigned char* der = nullptr;
        const int n = i2d_CMS_ContentInfo(cms.get(), &der);
        if (n <= 0) {
            throw ErrorSmime("No se ha podido firmar el mensaje: " + errorOpenssl());
        }
        firma.assign(reinterpret_cast<char*>(der), static_cast<std::size_t>(n));
        OPENSSL_free(der);
    }

    const std::string fr = frontera("----=_Firma_");
    Escritor w(destino);
    w << "MIME-Version: 1.0\r\nContent-Type: multipart/signed; "
         "protocol=\"application/pkcs7-signature\"; micalg=\"sha-256\"; boundary=\""
      << fr << "\"\r\n\r\nThis is an S/MIME signed message\r\n\r\n--" << fr << kCRLF;
    {
        std::ifstream e(interior, std::ios::binary);
        std::string pieza(kPieza, '\0');
        while (e) {
            e.read(pieza.data(), static_cast<std::streamsize>(pieza.size()));
            w << std::string_view(pieza.data(), static_cast<std::size_t>(e.gcount()));
        }
        if (e.bad()) {
            throw ErrorSmime("No se ha podido leer el fichero " + comoTexto(interior));
        }
    }
    w << "\r\n--" << fr << kCRLF
      << "Content-Type: application/pkcs7-signature; name=\"smime.p7s\"\r\n"
         "Content-Transfer-Encoding: base64\r\n"
         "Content-Disposition: attachment; filename=\"smime.p7s\"\r\n\r\n"
      << codificarBase64(firma) << (terminaEn(codificarBase64(firma), kCRLF) ? "" : kCRLF)
      << "\r\n--" << fr << "--\r\n";
    w.cerrar();
}
