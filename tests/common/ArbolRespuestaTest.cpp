#include "common/ArbolRespuesta.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Nodo = ArbolRespuesta::Nodo;
using Textos = std::vector<std::string>;

Textos textos(std::string_view xml) {
    ArbolRespuesta a;
    a.CargarTreeview(xml);
    Textos r;
    for (const Nodo n : a.nodos()) {
        r.emplace_back(a.texto(n));
    }
    return r;
}

TEST(ArbolRespuesta, NodosEnOrdenDelDocumento) {
    const std::string raiz = "Respuesta procesada de Lexnet";
    const std::pair<std::string, Textos> casos[] = {
        {R"(<?xml version="1.0"?><m xmlns="urn:m"><c><id>1</id><asunto>Cédula</asunto></c>)"
         "\n  <c><id>2</id></c></m>",
         {raiz, "m [xmlns=urn:m]", "c", "id", "1", "asunto", "Cédula", "c", "id", "2"}},
        {R"(<env:S xmlns:env="urn:e"><p id="7" env:t="a &amp; b"/></env:S>)",
         {raiz, "S [env=urn:e]", "p [id=7] [t=a & b]"}},
        {"<a><!--abc-->uno<b>x</b>dos &lt;3&gt;</a>",
         {raiz, "a", "* abc *", "uno", "b", "x", "dos <3>"}},
        {"<a>\r\n  <![CDATA[oculto]]><?proceso x?>\n  <b>  v  </b>\n</a>",
         {raiz, "a", "b", "  v  "}},
        // What is not XML leaves the root alone.
        {"", {raiz}},
        {"texto plano", {raiz}},
        {"<a><b>1</a>", {raiz}},
        {"<html><body>Error<br></body></html>", {raiz}},
    };
    for (const auto& [xml, esperados] : casos) {
        EXPECT_EQ(textos(xml), esperados) << xml;
    }
}

TEST(ArbolRespuesta, ParentescoColoresYValores) {
    ArbolRespuesta a;
    a.CargarTreeview("<r><c><id>1</id><asunto/></c><c><id>2</id></c><codigo>A</codigo>"
                     "<x><codigo>B</codigo></x><codigo/></r>");
    const Nodo c = a.buscarPrimero("c");
    EXPECT_EQ(a.padre(c), a.buscarPrimero("r"));
    EXPECT_EQ(a.hijo(c), a.buscarPrimero("id"));
    EXPECT_EQ(a.siguienteHermano(c), a.buscarPrimero("c", c + 1));
    EXPECT_EQ(a.ultimoHermano(c + 1), c + 3);
    EXPECT_EQ(a.color(c), ColorNodo::Azul);
    EXPECT_EQ(a.color(a.buscarPrimero("1")), ColorNodo::Negro);
    // An empty element has an empty value, not the name of the element after it; the last
    // element of a name wins, even when empty.
    EXPECT_EQ(a.valorDe(a.buscarPrimero("asunto")), "");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("x")), "codigo");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("codigo")), "A");
    EXPECT_EQ(a.valorDeElemento("codigo"), "");
    EXPECT_EQ(a.valorDeElemento("inexistente"), "");
    // Numbers that name no node give nothing.
    for (const Nodo n : {Nodo{0}, Nodo{a.tamano() + 1}, Nodo{100000}}) {
        EXPECT_EQ(a.texto(n), "");
        EXPECT_EQ(a.valorDe(n), "");
        EXPECT_EQ(a.hijo(n) + a.padre(n) + a.siguienteHermano(n) + a.ultimoHermano(n), 0u);
    }
}

TEST(ArbolRespuesta, AnidamientoProfundoNoAgotaLaPila) {
    constexpr std::size_t kNiveles = 500000;
    std::string xml;
    for (std::size_t i = 0; i < kNiveles; ++i) {
        xml += "<a>";
    }
    xml += "fondo";
    for (std::size_t i = 0; i < kNiveles; ++i) {
        xml += "</a>";
    }
    ArbolRespuesta a;
    a.CargarTreeview(xml);
    ASSERT_EQ(a.tamano(), kNiveles + 2);
    EXPECT_EQ(a.texto(a.tamano()), "fondo");
    EXPECT_EQ(a.padre(a.tamano()), kNiveles + 1);
}

} // namespace
