// Loading ObtenerCabeceras answers of 1, 5, 10 and 20 MiB the way every answer is loaded:
// the SOAP answer parsed, its text (the escaped LexNET message) taken out, the message
// parsed and the answer tree filled. Bytes counted are those of the whole SOAP answer.
// The tree is normally reused from answer to answer; a second run starts from a new one.
// The peer is pugixml, a widely used parser, doing the same two parses into its own
// document, with no tree of ours (target: ours at least 80 % of its rate). Rates are per
// CPU second.
#include "core/Interaccion.h"
#include "protocol/ArbolRespuesta.h"
#include "protocol/Respuesta.h"
#include "tests/support/InteraccionMuda.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string>

namespace {

std::string escapar(std::string_view texto) {
    std::string r;
    r.reserve(texto.size() * 5 / 4);
    for (const char c : texto) {
        switch (c) {
        case '<':
            r += "&lt;";
            break;
        case '>':
            r += "&gt;";
            break;
        case '&':
            r += "&amp;";
            break;
        case '"':
            r += "&quot;";
            break;
        default:
            r += c;
        }
    }
    return r;
}

// One header as LexNET lists it: identification, dates, procedure type, sender block.
std::string cabecera(int i) {
    const std::string n = std::to_string(201800000000LL + i);
    const std::string organo = std::to_string(1 + i % 40);
    return "<cabecera><id>" + n + "</id><leido>" + (i % 3 == 0 ? "true" : "false") +
           "</leido><fechaEnvio>2018-03-" + std::to_string(10 + i % 18) +
           "T10:20:30.000+01:00</fechaEnvio><fechaUltimaDescarga></fechaUltimaDescarga>"
           "<asunto>Notificación de resolución &amp; diligencia de ordenación nº " +
           n +
           "</asunto><tipoProcedimiento><codigo>ORD</codigo><texto>Procedimiento ordinario"
           "</texto><leyAntigua>false</leyAntigua></tipoProcedimiento>"
           "<numeroProcedimiento>0000" +
           std::to_string(100 + i % 900) + "/2018</numeroProcedimiento><referencia>REF-" + n +
           "</referencia><idExterno>EXT" + n +
           "</idExterno><nombreSistema>Minerva</nombreSistema><origen><organoJudicial>"
           "<codigoPoblacion>28079</codigoPoblacion><tipoOrgano>37</tipoOrgano><numeroOrgano>" +
           organo + "</numeroOrgano><dn>CN=JUZGADO PRIMERA INSTANCIA " + organo +
           " MADRID, OU=ORGANOS JUDICIALES, O=MINISTERIO DE JUSTICIA, C=ES</dn>"
           "<nombre>Juzgado de Primera Instancia nº " +
           organo +
           " de Madrid</nombre></organoJudicial><datos><tipo>1</tipo></datos></origen>"
           "</cabecera>\n";
}

// The SOAP answer of `megas` MiB (give or take one header).
std::string respuestaCabeceras(std::int64_t megas) {
    const std::size_t objetivo = static_cast<std::size_t>(megas) << 20;
    std::string r = R"(<?xml version="1.0" encoding="utf-8"?>)"
                    R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/" )"
                    R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" )"
                    R"(xmlns:xsd="http://www.w3.org/2001/XMLSchema"><soap:Body>)"
                    R"(<ObtenerCabecerasOut )"
                    R"(xmlns="http://www.lexnet.justicia.es/ws/ObtenerCabeceras">)";
    r += escapar(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                 R"(<mensajeWS xmlns="http://www.lexnet.justicia.es/ws/mensajeWS">)"
                 "<respuestaGetCabeceras>");
    const std::string cola = escapar("</respuestaGetCabeceras></mensajeWS>") +
                             "</ObtenerCabecerasOut></soap:Body></soap:Envelope>";
    for (int i = 0; r.size() + cola.size() < objetivo; ++i) {
        r += escapar(cabecera(i));
    }
    return r + cola;
}

const std::string& respuesta(std::int64_t megas) {
    static std::string respuestas[21];
    std::string& r = respuestas[megas];
    if (r.empty()) {
        r = respuestaCabeceras(megas);
    }
    return r;
}

void BM_ProcesaRespuesta(benchmark::State& state) {
    const std::string& texto = respuesta(state.range(0));
    InteraccionMuda ui;
    EstadoSesion estado;
    ArbolRespuesta vista;
    for (auto _ : state) {
        ProcesaRespuesta(texto, "ObtenerCabeceras", Programa::Ambrel, vista, estado, ui);
        benchmark::DoNotOptimize(vista.tamano());
    }
    if (vista.buscarPrimero("cabecera") == 0) {
        state.SkipWithError("la respuesta no dio cabeceras");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
    state.counters["nodos"] = static_cast<double>(vista.tamano());
    state.counters["MiB"] = static_cast<double>(texto.size()) / (1 << 20);
}
BENCHMARK(BM_ProcesaRespuesta)->Arg(1)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

struct Recolector : pugi::xml_tree_walker {
    std::string texto;
    bool for_each(pugi::xml_node& x) override {
        if (x.type() == pugi::node_pcdata || x.type() == pugi::node_cdata) {
            texto += x.value();
        }
        return true;
    }
};

// The same into a tree that never held an answer: its memory is new to the process.
void BM_ProcesaRespuestaVistaNueva(benchmark::State& state) {
    const std::string& texto = respuesta(state.range(0));
    InteraccionMuda ui;
    EstadoSesion estado;
    for (auto _ : state) {
        ArbolRespuesta vista;
        ProcesaRespuesta(texto, "ObtenerCabeceras", Programa::Ambrel, vista, estado, ui);
        benchmark::DoNotOptimize(vista.tamano());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
}
BENCHMARK(BM_ProcesaRespuestaVistaNueva)
    ->Arg(1)
    ->Arg(5)
    ->Arg(10)
    ->Arg(20)
    ->Unit(benchmark::kMillisecond);

// Outer parse, text taken out, inner parse in place: no tree.
void BM_SoloPugixml(benchmark::State& state) {
    const std::string& texto = respuesta(state.range(0));
    for (auto _ : state) {
        Recolector r;
        {
            pugi::xml_document sobre;
            sobre.load_buffer(texto.data(), texto.size(), pugi::parse_default, pugi::encoding_utf8);
            sobre.traverse(r);
        }
        pugi::xml_document documento;
        const bool bien = documento.load_buffer_inplace(r.texto.data(), r.texto.size(),
                                                        pugi::parse_default | pugi::parse_comments,
                                                        pugi::encoding_utf8);
        benchmark::DoNotOptimize(bien);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
}
BENCHMARK(BM_SoloPugixml)->Arg(1)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

// The same two parses, then one visit of every node of the message reading what a tree
// needs of it (kind, name, value, first attribute): what a tree filled from pugixml's
// document would cost at the least.
void BM_PugixmlRecorrido(benchmark::State& state) {
    const std::string& texto = respuesta(state.range(0));
    for (auto _ : state) {
        Recolector r;
        {
            pugi::xml_document sobre;
            sobre.load_buffer(texto.data(), texto.size(), pugi::parse_default, pugi::encoding_utf8);
            sobre.traverse(r);
        }
        pugi::xml_document documento;
        documento.load_buffer_inplace(r.texto.data(), r.texto.size(),
                                      pugi::parse_default | pugi::parse_comments,
                                      pugi::encoding_utf8);
        std::size_t suma = 0;
        for (pugi::xml_node x = documento.first_child(); x;) {
            suma += static_cast<std::size_t>(x.type()) + (x.first_attribute() ? 1 : 0) +
                    static_cast<std::size_t>(*x.name()) + static_cast<std::size_t>(*x.value());
            if (x.first_child()) {
                x = x.first_child();
                continue;
            }
            while (!x.next_sibling() && x.parent() != documento) {
                x = x.parent();
            }
            x = x.next_sibling();
        }
        benchmark::DoNotOptimize(suma);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
}
BENCHMARK(BM_PugixmlRecorrido)->Arg(1)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
