#include "send/ListasDirectorio.h"

#include "common/ArchivoTemporal.h"
#include "common/BaseDatos.h"
#include "common/TemporalesPropios.h"
#include "common/Texto.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

constexpr std::string_view kCRLF = "\r\n";

// Writes the lines `linea` makes of each row of the query (an empty one skips the row).
template <class F>
void escribirLista(BaseDatos& db, const std::filesystem::path& destino, std::string_view sql,
                   F linea) {
    limpiarTemporalesMuertos(destino, ".nuevo");
    ArchivoTemporal archivo(temporalPropio(destino, ".nuevo"));
    std::string bloque;
    const auto vaciar = [&] {
        archivo.anadir(
            std::span(reinterpret_cast<const std::uint8_t*>(bloque.data()), bloque.size()));
        bloque.clear();
    };
    Sentencia s = db.preparar(sql);
    while (s.paso()) {
        const std::string texto = linea(s);
        if (texto.empty()) {
            continue;
        }
        bloque += haciaWindows1252(texto);
        bloque += kCRLF;
        if (bloque.size() >= 1 << 16) {
            vaciar();
        }
    }
    vaciar();
    archivo.colocar(destino);
}

} // namespace

std::string conCeros(std::string_view valor, std::size_t cifras) {
    const std::string v = recortar(valor);
    if (v.empty() ||
        !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::string(valor);
    }
    const std::string numero = v.substr(std::min(v.find_first_not_of('0'), v.size()));
    return std::string(cifras > numero.size() ? cifras - numero.size() : 0, '0') + numero;
}

void EscribirListasDestinatarios(BaseDatos& db, const std::filesystem::path& carpeta) {
    escribirLista(db, carpeta / kListaJuzgados,
                  "SELECT codPartidoJudicial, tipoOrgano, numeroOrgano, nombre FROM OrigenDestino "
                  "WHERE tipo = 1 ORDER By codPartidojudicial, tipoOrgano, numeroOrgano",
                  [](Sentencia& s) {
                      return conCeros(s.texto(0), 5) + conCeros(s.texto(1), 2) +
                             conCeros(s.texto(2), 3) + "#" + recortar(s.texto(3));
                  });
    // Ordered without regard to case, as the office's programs compare names.
    escribirLista(db, carpeta / kListaProfesionales,
                  "SELECT cif, apellido1, apellido2, nombre FROM OrigenDestino WHERE tipo = 3 "
                  "ORDER By apellido1 COLLATE NOCASE, apellido2 COLLATE NOCASE, "
                  "nombre COLLATE NOCASE",
                  [](Sentencia& s) {
                      if (recortar(s.texto(0)).empty()) {
                          return std::string();
                      }
                      return s.texto(0) + "#" + recortar(s.texto(1)) + "#" + recortar(s.texto(2)) +
                             "#" + recortar(s.texto(3));
                  });
}

void EscribirListaProcedimientos(BaseDatos& db, const std::filesystem::path& carpeta) {
    escribirLista(db, carpeta / kListaProcedimientos,
                  "SELECT codigoTipoProcedimiento, descrTipoProcedimiento FROM TipoProcedimiento "
                  "ORDER By codigoTipoProcedimiento",
                  [](Sentencia& s) { return s.texto(0) + "#" + recortar(s.texto(1)); });
}
