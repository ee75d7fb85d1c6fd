#include "send/DiarioAcuses.h"

#include "core/Texto.h"
#include "platform/ArchivoTemporal.h"
#include "storage/BaseDatos.h"

#include <charconv>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kFin = "OK";

std::vector<std::string> campos(const std::string& linea) {
    std::vector<std::string> r;
    std::size_t desde = 0;
    for (;;) {
        const std::size_t tab = linea.find('\t', desde);
        r.push_back(linea.substr(desde, tab - desde));
        if (tab == std::string::npos) {
            return r;
        }
        desde = tab + 1;
    }
}

} // namespace

fs::path archivoDiarioAcuses(const fs::path& baseDatos) {
    return baseDatos.parent_path() / kArchivoDiarioAcuses;
}

void anotarAcuse(const fs::path& diario, const AcuseRecibido& a) {
    anadirLineaDuradera(diario, std::to_string(a.idEscrito) + "\t" + valorDeLinea(a.idAcuse, "\t") +
                                    "\t" + valorDeLinea(a.fecha, "\t") + "\t" +
                                    valorDeLinea(a.referencia, "\t") + "\t" + kFin + "\n");
}

std::vector<AcuseRecibido> acusesAnotados(const fs::path& diario) {
    std::vector<AcuseRecibido> r;
    std::ifstream f(diario, std::ios::binary);
    std::string linea;
    while (std::getline(f, linea)) {
        if (f.eof()) {
            break; // no line end: cut short
        }
        const std::vector<std::string> c = campos(linea);
        AcuseRecibido a;
        const auto [fin, error] =
            std::from_chars(c[0].data(), c[0].data() + c[0].size(), a.idEscrito);
        if (c.size() != 5 || c[4] != kFin || error != std::errc() ||
            fin != c[0].data() + c[0].size()) {
            continue;
        }
        a.idAcuse = c[1];
        a.fecha = c[2];
        a.referencia = c[3];
        r.push_back(std::move(a));
    }
    return r;
}

int aplicarAcuses(BaseDatos& db, const fs::path& diario) {
    const std::vector<AcuseRecibido> acuses = acusesAnotados(diario);
    int marcados = 0;
    if (!acuses.empty()) {
        Transaccion t(db);
        for (const AcuseRecibido& a : acuses) {
            marcados += static_cast<int>(
                db.ejecutar("UPDATE MensajeEnvio SET IdEnvio = ?, FechaFirma = ?, Subido = 1 "
                            "WHERE Id_MensajeEnvio = ? AND Subido = 0",
                            a.idAcuse, a.fecha, a.idEscrito));
        }
        t.confirmar();
    }
    std::error_code ec;
    fs::remove(diario, ec);
    return marcados;
}
