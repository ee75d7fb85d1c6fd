#include "common/ArbolRespuesta.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Nodo = ArbolRespuesta::Nodo;

std::vector<std::string> textos(const ArbolRespuesta& a) {
    std::vector<std::string> r;
    for (const Nodo n : a.nodos()) {
        r.emplace_back(a.texto(n));
    }
    return r;
}

ArbolRespuesta cargado(std::string_view xml) {
    ArbolRespuesta a;
    a.CargarTreeview(xml);
    return a;
}

const std::string kMensajeWS = "http://www.lexnet.justicia.es/ws/mensajeWS";

TEST(ArbolRespuesta, NumeraEnOrdenDelDocumentoPadreAntesQueHijos) {
    const ArbolRespuesta a =
        cargado(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                R"(<mensajeWS xmlns="http://www.lexnet.justicia.es/ws/mensajeWS">)"
                "<respuestaGetCabeceras>\n  "
                "<cabecera><id>201800001</id><asunto>Cédula</asunto></cabecera>\n"
                "  <cabecera><id>201800002</id></cabecera>\n</respuestaGetCabeceras></mensajeWS>");
    EXPECT_EQ(textos(a), (std::vector<std::string>{
                             "Respuesta procesada de Lexnet",
                             "mensajeWS [xmlns=" + kMensajeWS + "]",
                             "respuestaGetCabeceras",
                             "cabecera",
                             "id",
                             "201800001",
                             "asunto",
                             "Cédula",
                             "cabecera",
                             "id",
                             "201800002",
                         }));
    EXPECT_EQ(a.padre(1), 0u);
    EXPECT_EQ(a.padre(2), 1u);
    EXPECT_EQ(a.hijo(3), 4u);
    EXPECT_EQ(a.padre(6), 5u);
    EXPECT_EQ(a.siguienteHermano(4), 9u);
    EXPECT_EQ(a.siguienteHermano(5), 7u);
    EXPECT_EQ(a.siguienteHermano(9), 0u);
    EXPECT_EQ(a.ultimoHermano(4), 9u);
    EXPECT_EQ(a.ultimoHermano(9), 9u);
    EXPECT_EQ(a.ultimoHermano(1), 1u);
    EXPECT_EQ(a.hijo(11), 0u);
    EXPECT_EQ(a.color(1), ColorNodo::Negro);
    EXPECT_EQ(a.color(4), ColorNodo::Azul);
    EXPECT_EQ(a.color(5), ColorNodo::Azul);
    EXPECT_EQ(a.color(6), ColorNodo::Negro);
}

TEST(ArbolRespuesta, AtributosEnLineaConNombreLocal) {
    const ArbolRespuesta a = cargado(R"(<env:Sobre xmlns:env="urn:e" xmlns="urn:d">)"
                                     R"(<pendiente id="7" env:tipo="a &amp; b"/></env:Sobre>)");
    EXPECT_EQ(textos(a), (std::vector<std::string>{
                             "Respuesta procesada de Lexnet",
                             "Sobre [env=urn:e] [xmlns=urn:d]",
                             "pendiente [id=7] [tipo=a & b]",
                         }));
    // The inline attributes keep a reader looking for the bare name from matching.
    EXPECT_EQ(a.buscarPrimero("pendiente"), 0u);
}

TEST(ArbolRespuesta, ComentariosEnmarcadosYTextoMixto) {
    const ArbolRespuesta a = cargado("<a><!--abc-->uno<b>x</b>dos &lt;3&gt;</a>");
    EXPECT_EQ(textos(a), (std::vector<std::string>{"Respuesta procesada de Lexnet", "a", "* abc *",
                                                   "uno", "b", "x", "dos <3>"}));
    EXPECT_EQ(a.color(3), ColorNodo::Verde);
    EXPECT_EQ(a.color(4), ColorNodo::Negro);
}

TEST(ArbolRespuesta, CdataInstruccionesYBlancosNoAnadenNodos) {
    const ArbolRespuesta a =
        cargado("<a>\r\n  <![CDATA[oculto]]><?proceso x?>\n  <b>  v  </b>\n</a>");
    EXPECT_EQ(textos(a),
              (std::vector<std::string>{"Respuesta procesada de Lexnet", "a", "b", "  v  "}));
}

TEST(ArbolRespuesta, TextoQueNoEsXmlDejaSoloLaRaiz) {
    ArbolRespuesta a = cargado("<a><b>1</b></a>");
    ASSERT_EQ(a.tamano(), 4u);
    for (const std::string_view malo :
         {"", "texto plano", "<a><b>1</a>", "<a>1</a", "<!-- solo comentario -->",
          "<html><body>Error<br></body></html>"}) {
        a.CargarTreeview(malo);
        EXPECT_EQ(textos(a), std::vector<std::string>{"Respuesta procesada de Lexnet"}) << malo;
    }
}

TEST(ArbolRespuesta, ValorDeEsElTextoDelPrimerHijo) {
    const ArbolRespuesta a =
        cargado("<r><asunto/><referencia>R-1</referencia><vacio></vacio><codigo>A</codigo>"
                "<x><codigo>B</codigo></x><codigo/></r>");
    // An empty element has an empty value, not the name of the element after it.
    EXPECT_EQ(a.valorDe(a.buscarPrimero("asunto")), "");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("vacio")), "");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("referencia")), "R-1");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("x")), "codigo");
    EXPECT_EQ(a.valorDeElemento("referencia"), "R-1");
    EXPECT_EQ(a.valorDeElemento("inexistente"), "");
    // The last element of a name wins, even when it is empty.
    EXPECT_EQ(a.valorDeElemento("codigo"), "");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("codigo")), "A");
    EXPECT_EQ(a.buscarPrimero("codigo", a.buscarPrimero("codigo") + 1), a.buscarPrimero("B") - 1);
}

TEST(ArbolRespuesta, NumerosQueNoNombranNodoDanVacioOCero) {
    ArbolRespuesta a;
    EXPECT_EQ(a.tamano(), 0u);
    EXPECT_EQ(a.buscarUltimo("x"), 0u);
    a.CargarTreeview("<a>1</a>");
    for (const Nodo n : {Nodo{0}, Nodo{4}, Nodo{1000}}) {
        EXPECT_EQ(a.texto(n), "");
        EXPECT_EQ(a.valorDe(n), "");
        EXPECT_EQ(a.hijo(n), 0u);
        EXPECT_EQ(a.padre(n), 0u);
        EXPECT_EQ(a.siguienteHermano(n), 0u);
        EXPECT_EQ(a.ultimoHermano(n), 0u);
    }
    EXPECT_EQ(a.buscarPrimero("1", 4), 0u);
    EXPECT_EQ(a.buscarPrimero("1", 0), 3u);
    a.limpiar();
    EXPECT_EQ(a.tamano(), 0u);
    EXPECT_EQ(a.texto(1), "");
}

TEST(ArbolRespuesta, AnidamientoProfundoNoAgotaLaPila) {
    constexpr std::size_t kNiveles = 500000;
    std::string xml;
    xml.reserve(kNiveles * 8);
    for (std::size_t i = 0; i < kNiveles; ++i) {
        xml += "<a>";
    }
    xml += "fondo";
    for (std::size_t i = 0; i < kNiveles; ++i) {
        xml += "</a>";
    }
    const ArbolRespuesta a = cargado(xml);
    ASSERT_EQ(a.tamano(), kNiveles + 2);
    EXPECT_EQ(a.texto(a.tamano()), "fondo");
    EXPECT_EQ(a.padre(a.tamano()), kNiveles + 1);
    EXPECT_EQ(a.ultimoHermano(2), 2u);
}

} // namespace
