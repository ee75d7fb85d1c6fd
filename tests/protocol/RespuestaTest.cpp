#include "protocol/Respuesta.h"

#include "core/Interaccion.h"
#include "protocol/ArbolRespuesta.h"
#include "protocol/Peticiones.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>
#include <optional>
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
        {R"(<env:S xmlns:env="urn:e"><p id="7" env:t="a &amp; b"/><!--abc-->dos &lt;3&gt;</env:S>)",
         {raiz, "S [env=urn:e]", "p [id=7] [t=a & b]", "* abc *", "dos <3>"}},
        // What is not XML leaves the root alone.
        {"", {raiz}},
        {"<html><body>Error<br></body></html>", {raiz}},
    };
    for (const auto& [xml, esperados] : casos) {
        EXPECT_EQ(textos(xml), esperados) << xml;
    }
}

TEST(ArbolRespuesta, ValoresYNodosInexistentes) {
    ArbolRespuesta a;
    a.CargarTreeview("<r><c><asunto/></c><codigo>A</codigo><x><codigo>B</codigo></x><codigo/></r>");
    // An empty element has an empty value, not the name of the element after it; the last
    // element of a name wins, even when empty.
    EXPECT_EQ(a.valorDe(a.buscarPrimero("asunto")), "");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("x")), "codigo");
    EXPECT_EQ(a.valorDe(a.buscarPrimero("codigo")), "A");
    EXPECT_EQ(a.valorDeElemento("codigo"), "");
    // Numbers that name no node give nothing.
    for (const Nodo n : {Nodo{0}, Nodo{a.tamano() + 1}, Nodo{100000}}) {
        EXPECT_EQ(a.texto(n), "");
        EXPECT_EQ(a.valorDe(n), "");
        EXPECT_EQ(a.hijo(n) + a.padre(n) + a.siguienteHermano(n), 0u);
    }
}

TEST(ArbolRespuesta, AnidamientoProfundoNoAgotaLaPila) {
    constexpr std::size_t kNiveles = 500000;
    std::string abre, cierra;
    for (std::size_t i = 0; i < kNiveles; ++i) {
        abre += "<a>";
        cierra += "</a>";
    }
    ArbolRespuesta a;
    a.CargarTreeview(abre + "fondo" + cierra);
    ASSERT_EQ(a.tamano(), kNiveles + 2);
    EXPECT_EQ(a.texto(a.tamano()), "fondo");
    EXPECT_EQ(a.padre(a.tamano()), kNiveles + 1);
}

const std::string kNsMensaje = "http://www.lexnet.justicia.es/ws/mensajeWS";

// An answer as the service sends it: the escaped mensajeWS document inside the Out element.
std::string sobre(const std::string& operacion, const std::string& cuerpo) {
    return R"(<?xml version="1.0" encoding="utf-8"?>)"
           R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">)"
           "<soap:Body><" +
           operacion + "Out xmlns=\"http://www.lexnet.justicia.es/ws/" + operacion + "\">" +
           escaparXml(R"(<?xml version="1.0" encoding="UTF-8"?><mensajeWS xmlns=")" + kNsMensaje +
                      "\">" + cuerpo + "</mensajeWS>") +
           "</" + operacion + "Out></soap:Body></soap:Envelope>";
}

std::string respuestaError(const std::string& operacion, const std::string& codigo,
                           const std::string& texto) {
    return sobre(operacion, "<respuestaError><codigo>" + codigo + "</codigo><texto>" + texto +
                                "</texto></respuestaError>");
}

std::string login(const std::string& valores) {
    return sobre("Login", "<respuestaLogin>" + valores + "</respuestaLogin>");
}

// One exchange as a main window runs it: the answer processed, then the error check.
struct Ventana {
    explicit Ventana(Programa p = Programa::Ambrel) : programa(p) {}

    Programa programa;
    ArbolRespuesta vista;
    EstadoSesion estado;
    InteraccionGuionada ui;

    std::optional<FinPrograma> recibir(const std::string& respuesta, std::string_view servicio,
                                       std::string_view idLexNet = "") {
        try {
            ProcesaRespuesta(respuesta, servicio, programa, vista, estado, ui);
            ComprobarErrorServicio(respuesta, servicio, programa, vista, idLexNet, ui);
        } catch (const FinPrograma& f) {
            return f;
        }
        return std::nullopt;
    }
};

// The last value of each wins; a missing session keeps the one before.
TEST(Respuesta, LoginLeeSesionYPendientes) {
    Ventana v{Programa::Corvane};
    EXPECT_FALSE(v.recibir(login("<idSesion>1234</idSesion><numeroPendientes>3</numeroPendientes>"),
                           "Login"));
    EXPECT_EQ(v.estado.NumeroPendientes, 3);
    EXPECT_EQ(v.estado.textoSesion, "1234");
    EXPECT_EQ(v.vista.texto(2), "mensajeWS [xmlns=" + kNsMensaje + "]");
    EXPECT_TRUE(v.ui.mensajes.empty());
    v.recibir(login("<idSesion>11</idSesion><otra><idSesion> -22 </idSesion></otra>"), "login");
    EXPECT_EQ(v.estado.idSesion, -22);
    v.recibir(login(""), "Login");
    EXPECT_EQ(v.estado.textoSesion, "-22");
}

// A 503 page ends either program at once; a 500 page ends Ambrel only.
TEST(Respuesta, PaginasDeErrorDelServidorTerminanAlMomento) {
    const std::string p503 = "<html><head><title>503 Service Temporarily Unavailable</title>";
    const std::string p500 = "<html><head><title>500 Internal Server Error</title></head>";
    for (const auto& [programa, pagina, texto] :
         {std::tuple{Programa::Corvane, p503,
                     "SERVICIO TEMPORALMENTE NO DISPONIBLE. PRUEBE MAS TARDE !!!"},
          std::tuple{Programa::Ambrel, p500, "ERROR EN EL SERVIDOR LEXNET. PRUEBE MAS TARDE !!!"},
          std::tuple{Programa::Corvane, p500, ""}}) {
        Ventana v{programa};
        v.vista.CargarTreeview("<previo/>");
        const auto fin = v.recibir(pagina, "ObtenerCabeceras");
        EXPECT_EQ(fin.has_value(), *texto != '\0');
        EXPECT_EQ(v.ui.terminaciones.size(), v.ui.mensajes.size());
        if (fin) {
            EXPECT_FALSE(fin->conCierre);
            EXPECT_EQ(v.ui.mensajes.at(0).texto, texto);
            EXPECT_EQ(v.ui.mensajes.at(0).titulo, "Atención");
            EXPECT_EQ(v.vista.texto(2), "previo");
        }
    }
}

// An answer that brings no XML message leaves the root alone.
TEST(Respuesta, RespuestaQueNoTraeUnMensajeXmlDejaSoloLaRaiz) {
    Ventana v;
    v.recibir(sobre("ObtenerMensaje", "") + "<sobra>", "ObtenerMensaje");
    EXPECT_EQ(v.vista.tamano(), 1u);
    EXPECT_EQ(textoDelDocumento("<a>uno<!--no--><b><![CDATA[<dos>]]></b>&amp;tres</a>"),
              "uno<dos>&tres");
    // Written over a longer text held before: nothing of it stays, and a fault leaves none.
    std::string reutilizado(3u << 20, 'x');
    textoDelDocumento("<a>uno &lt;b&gt;</a>", reutilizado);
    EXPECT_EQ(reutilizado, "uno <b>");
    reutilizado.assign(100, 'x');
    textoDelDocumento("<a>sin cerrar", reutilizado);
    EXPECT_EQ(reutilizado, "");
    // Nor through the tree, whose text the next answer writes over.
    v.recibir(sobre("ObtenerMensaje", "<m><c>" + std::string(5000, 'y') + "</c></m>"),
              "ObtenerMensaje");
    v.recibir(sobre("ObtenerMensaje", "<m><c>z</c></m>"), "ObtenerMensaje");
    EXPECT_EQ(v.vista.valorDeElemento("c"), "z");
    EXPECT_EQ(v.vista.tamano(), 5u);
}

std::string mensajeError(Programa p, const std::string& codigo, const std::string& texto,
                         const std::string& id) {
    return "El servidor LexNet ha devuelto el siguiente error:\r\n\r\nCódigo : " + codigo +
           "\r\nTexto : " + texto + "\r\n\r\nEl proceso no se completará" +
           (p == Programa::Corvane
                ? "."
                : " correctamente.\r\n\r\nIdentificador LexNEt : " + id + "\r\n");
}

TEST(Respuesta, ErrorDeServicioSeMuestraYTerminaSalvoDondeElLlamanteSigue) {
    const std::tuple<Programa, std::string, bool> casos[] = {
        {Programa::Ambrel, "Login", true},          {Programa::Ambrel, "ObtenerMensaje", false},
        {Programa::Ambrel, "obtenerbloque", false}, {Programa::Corvane, "ObtenerBloque", true},
        {Programa::Corvane, "ENVIARBLOQUE", false},
    };
    for (const auto& [programa, servicio, termina] : casos) {
        Ventana v{programa};
        const auto fin =
            v.recibir(respuestaError("Op", "101", "Sesión no válida"), servicio, "201800007");
        ASSERT_EQ(v.ui.mensajes.size(), 1u) << servicio;
        EXPECT_EQ(v.ui.mensajes[0].texto,
                  mensajeError(programa, "101", "Sesión no válida", "201800007"));
        EXPECT_EQ(v.ui.mensajes[0].titulo, "Control de erorres");
        EXPECT_EQ(v.ui.mensajes[0].icono, Icono::Critico);
        ASSERT_EQ(fin.has_value(), termina) << servicio;
        // The end goes through the main window's shutdown, not an immediate end.
        EXPECT_TRUE(v.ui.terminaciones.empty());
        if (fin) {
            EXPECT_TRUE(fin->conCierre);
        }
    }
}

// The message shows this answer's code; a block error sets ErrorBloque and keeps the tree.
TEST(Respuesta, ErrorDeServicioMuestraElCodigoDeEstaRespuesta) {
    // The tree holds a message whose procedure type has its own "codigo" and "texto".
    Ventana v;
    v.recibir(sobre("ObtenerMensaje", "<tipoProcedimiento><codigo>ORD</codigo><texto>"
                                      "Ordinario</texto></tipoProcedimiento>"),
              "ObtenerMensaje");
    ASSERT_EQ(v.vista.valorDeElemento("codigo"), "ORD");

    // Block and confirmation errors are not loaded into the tree.
    v.recibir(respuestaError("ObtenerBloque", "204", "Bloque inexistente"), "ObtenerBloque", "9");
    EXPECT_TRUE(
        v.recibir(respuestaError("TerminarDescarga", "305", "Ya confirmado"), "FinalizarDescarga"));
    ASSERT_EQ(v.ui.mensajes.size(), 2u);
    EXPECT_EQ(v.ui.mensajes[0].texto,
              mensajeError(Programa::Ambrel, "204", "Bloque inexistente", "9"));
    EXPECT_EQ(v.ui.mensajes[1].texto, mensajeError(Programa::Ambrel, "305", "Ya confirmado", ""));
    EXPECT_EQ(v.vista.valorDeElemento("codigo"), "ORD");
    EXPECT_TRUE(v.estado.ErrorBloque);
    v.recibir(sobre("ObtenerBloque", "<esUltimo>true</esUltimo>"), "OBTENERBLOQUE");
    EXPECT_TRUE(v.estado.ErrorBloque);
}

} // namespace
