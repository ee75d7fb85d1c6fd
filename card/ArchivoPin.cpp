#include "card/ArchivoPin.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "platform/Rutas.h"
#include "platform/Sistema.h"
#include "platform/TemporalesPropios.h"

#include <cstddef>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kIteraciones = 100000;
constexpr std::size_t kLongitudSal = 16;
constexpr std::size_t kLongitudHuella = 32;
// Older refusals go: files are mended or replaced long before this many.
constexpr std::size_t kMaximoRegistros = 32;

struct Rechazo {
    std::string fecha; // modification time, in the file clock's ticks
    std::string sal;   // hexadecimal
    std::string huella;
};

std::string huellaDe(const std::string& contenido, const std::string& salHex) {
    unsigned char h[kLongitudHuella];
    if (PKCS5_PBKDF2_HMAC(contenido.data(), static_cast<int>(contenido.size()),
                          reinterpret_cast<const unsigned char*>(salHex.data()),
                          static_cast<int>(salHex.size()), kIteraciones, EVP_sha256(), sizeof h,
                          h) != 1) {
        throw std::runtime_error("no se puede calcular la huella del archivo del PIN");
    }
    return hexadecimal(h, sizeof h);
}

struct Estado {
    std::string contenido;
    std::string fecha;
};

Estado estadoDe(const fs::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    std::error_code ec;
    const auto fecha = fs::last_write_time(archivo, ec);
    if (!f || ec) {
        throw ErrorArchivoPin(ErrorArchivoPin::Motivo::Ilegible,
                              "no se puede leer el archivo del PIN: " + archivo.string());
    }
    Estado e;
    e.contenido.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    e.fecha = std::to_string(fecha.time_since_epoch().count());
    return e;
}

std::vector<Rechazo> leerRegistro(const fs::path& registro) {
    std::vector<Rechazo> r;
    std::ifstream f(registro);
    std::string linea;
    while (std::getline(f, linea)) {
        std::istringstream campos(linea);
        Rechazo x;
        if (campos >> x.fecha >> x.sal >> x.huella) {
            r.push_back(x);
        }
    }
    return r;
}

bool rechazado(const Estado& e, const std::vector<Rechazo>& registro) {
    for (const Rechazo& x : registro) {
        if (x.fecha == e.fecha && x.huella == huellaDe(e.contenido, x.sal)) {
            return true;
        }
    }
    return false;
}

} // namespace

fs::path registroPinesRechazados(const std::string& carpetaPrograma) {
    return comoRuta(carpetaPrograma) / "PinesRechazados.dat";
}

std::string leerArchivoPin(const fs::path& archivo, const fs::path& registro) {
    const Estado e = estadoDe(archivo);
    if (const std::string modo = permisosAjenos(archivo); !modo.empty()) {
        throw ErrorArchivoPin(ErrorArchivoPin::Motivo::Expuesto,
                              "el archivo del PIN " + archivo.string() +
                                  " está al alcance de otros usuarios (permisos " + modo +
                                  "): déjelo sólo para su dueño (chmod 600)");
    }
    if (rechazado(e, leerRegistro(registro))) {
        throw ErrorArchivoPin(ErrorArchivoPin::Motivo::Rechazado,
                              "la tarjeta ya rechazó el PIN del archivo " + archivo.string() +
                                  " y el archivo no ha cambiado desde entonces; para no "
                                  "bloquear la tarjeta no se vuelve a probar: corrija el PIN "
                                  "del archivo");
    }
    std::string linea = e.contenido.substr(0, e.contenido.find('\n'));
    while (!linea.empty() && linea.back() == '\r') {
        linea.pop_back();
    }
    return linea;
}

void recordarPinRechazado(const fs::path& archivo, const fs::path& registro) {
    const Estado e = estadoDe(archivo);
    std::vector<Rechazo> rechazos = leerRegistro(registro);
    unsigned char sal[kLongitudSal];
    if (RAND_bytes(sal, sizeof sal) != 1) {
        throw std::runtime_error("no se puede generar la sal del registro de PIN rechazados");
    }
    Rechazo nuevo{e.fecha, hexadecimal(sal, sizeof sal), {}};
    nuevo.huella = huellaDe(e.contenido, nuevo.sal);
    rechazos.push_back(nuevo);
    if (rechazos.size() > kMaximoRegistros) {
        rechazos.erase(rechazos.begin(),
                       rechazos.begin() +
                           static_cast<std::ptrdiff_t>(rechazos.size() - kMaximoRegistros));
    }

    // A new file put in place whole, readable by its owner only.
    limpiarTemporalesMuertos(registro, ".nuevo");
    const fs::path temporal = temporalPropio(registro, ".nuevo");
    {
        std::ofstream f(temporal, std::ios::binary | std::ios::trunc);
        for (const Rechazo& x : rechazos) {
            f << x.fecha << ' ' << x.sal << ' ' << x.huella << '\n';
        }
        if (!f.flush()) {
            throw std::runtime_error("no se puede escribir " + temporal.string());
        }
    }
    std::error_code ec;
    fs::permissions(temporal, fs::perms::owner_read | fs::perms::owner_write, ec);
    if (!ec) {
        fs::rename(temporal, registro, ec);
    }
    if (ec) {
        fs::remove(temporal, ec);
        throw std::runtime_error("no se puede escribir " + registro.string());
    }
}

void avisarPinRechazado(const std::optional<std::string>& archivo, bool rechazado,
                        const std::filesystem::path& registro, Interaccion& ui,
                        const std::string& programa) {
    if (!archivo || !rechazado) {
        return;
    }
    try {
        recordarPinRechazado(*archivo, registro);
        ui.mensaje("La tarjeta ha rechazado el PIN del archivo " + *archivo +
                       ": no se volverá a probar hasta que el archivo cambie.",
                   programa, Icono::Exclamacion, Botones::Aceptar);
    } catch (const std::exception& e) {
        ui.mensaje(e.what(), programa, Icono::Exclamacion, Botones::Aceptar);
    }
}
