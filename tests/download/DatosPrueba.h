#pragma once

// The notifications the download tests get from the simulator, and the documents they
// must leave in the downloads folder.
#include "tools/lexnet-sim/Generador.h"

#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace datos_prueba {

using nlohmann::json;

inline const json kJuzgado = {
    {"clase", "organoJudicial"}, {"codigoPoblacion", "28079"},
    {"tipoOrgano", "02"},        {"numeroOrgano", "5"},
    {"dn", "CN=Juzgado 5"},      {"nombre", "Juzgado de Primera Instancia 5"}};
inline const json kProcuradora = {{"clase", "profesional"},
                                  {"nif", "11111111H"},
                                  {"nombre", "ANA"},
                                  {"apellido1", "LOPEZ"},
                                  {"apellido2", "RUIZ"},
                                  {"email", "ana@example.com"},
                                  {"dn", "CN=Ana"},
                                  {"tipo", "PROCURADOR"},
                                  {"codigo", "P123"},
                                  {"entidad",
                                   {{"nombre", "Colegio de Procuradores"},
                                    {"partidoJudicial", "28079"},
                                    {"tipo", "COLEGIO"},
                                    {"dn", "CN=Colegio"}}}};
inline const json kAbogacia = {{"clase", "entidad"},
                               {"nombre", "Abogacía del Estado"},
                               {"partidoJudicial", "28079"},
                               {"dn", "CN=Abogacia"}};

inline json notificacion(const std::string& id, const std::string& fecha, const json& origen,
                         const std::string& codigo, const std::string& numero, json documentos) {
    return {{"id", id},
            {"fechaEnvio", fecha},
            {"leido", false},
            {"origen", origen},
            {"asunto", "Asunto de " + id},
            {"tipoProcedimiento", {{"codigo", codigo}, {"texto", "Tipo " + codigo}}},
            {"numeroProcedimiento", numero},
            {"referencia", "REF-" + id},
            {"documentos", std::move(documentos)}};
}

inline json generado(const std::string& nombre, std::size_t tamano, int semilla) {
    return {{"nombre", nombre}, {"generar", {{"tamano", tamano}, {"semilla", semilla}}}};
}

// Three notifications in November 2026 (five documents, two of several 4 KiB blocks, one
// empty) and one in October.
inline json datosNoviembre() {
    return {
        {"tamBloque", 4096},
        {"primeraSesion", 7001},
        {"notificaciones",
         {notificacion("N1", "2026-11-02T10:00:00.000+01:00", kJuzgado, "ORD", "0000123/2026",
                       {generado("Cedula.pdf", 10000, 1), generado("Sentencia.pdf", 8192, 2)}),
          notificacion("N2", "2026-11-03T09:30:00", kProcuradora, "VER", "20260000456",
                       {{{"nombre", "Escrito.rtf"}, {"texto", "{\\rtf1 escrito}"}}}),
          notificacion("N3", "2026-11-04T12:00:00", kAbogacia, "ORD", "../../fuera",
                       {generado("Oficio.pdf", 4096, 3), {{"nombre", "Vacio.txt"}, {"texto", ""}}}),
          notificacion("N9", "2026-10-01T08:00:00", kJuzgado, "ORD", "1/2026",
                       {{{"nombre", "x.pdf"}, {"texto", "x"}}})}}};
}

// The documents of datosNoviembre as they must be stored.
inline const std::map<std::string, std::string>& documentosNoviembre() {
    static const std::map<std::string, std::string> d = {
        {"0000123_2026_1.pdf", bytesGenerados(10000, 1)},
        {"0000123_2026_2.pdf", bytesGenerados(8192, 2)},
        {"2026_0000456_3.rtf", "{\\rtf1 escrito}"},
        {"_._._._fuera_4.pdf", bytesGenerados(4096, 3)},
        {"_._._._fuera_5.txt", ""},
    };
    return d;
}

} // namespace datos_prueba
