#include "send/ListasDirectorio.h"

#include "core/Texto.h"
#include "platform/ArchivoTemporal.h"
#include "platform/TemporalesPropios.h"
#include "storage/BaseDatos.h"

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

// A column's value as one field of its line: no line break and no "#" of its own.
std::string campo(Sentencia& s, int columna) {
    return valorDeLinea(s.texto(columna), "#");
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
                      return conCeros(campo(s, 0), 5) + conCeros(campo(s, 1), 2) +
                             conCeros(campo(s, 2), 3) + "#" + recortar(campo(s, 3));
                  });
    // Names in Spanish alphabetical order.
    escribirLista(db, carpeta / kListaProfesionales,
                  "SELECT cif, apellido1, apellido2, nombre FROM OrigenDestino WHERE tipo = 3 "
                  "ORDER By apellido1 COLLATE ES, apellido2 COLLATE ES, nombre COLLATE ES",
                  [](Sentencia& s) {
                      if (recortar(s.texto(0)).empty()) {
                          return std::string();
                      }
                      return campo(s, 0) + "#" + recortar(campo(s, 1)) + "#" +
                             recortar(campo(s, 2)) + "#" + recortar(campo(s, 3));
                  });
}

void EscribirListaProcedimientos(BaseDatos& db, const std::filesystem::path& carpeta) {
    escribirLista(db, carpeta / kListaProcedimientos,
                  "SELECT codigoTipoProcedimiento, descrTipoProcedimiento FROM TipoProcedimiento "
                  "ORDER By codigoTipoProcedimiento",
                  [](Sentencia& s) { return campo(s, 0) + "#" + recortar(campo(s, 1)); });
}
