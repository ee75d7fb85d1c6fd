#include "common/Respuesta.h"

#include "common/Interaccion.h"
#include "common/Peticiones.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

const std::string kNsMensaje = "http://www.lexnet.justicia.es/ws/mensajeWS";
const std::string kRaizMensaje = "mensajeWS [xmlns=" + kNsMensaje + "]";

// A login answer as the service sends it: the mensajeWS document, escaped, as the text of
// the operation's Out element.
const std::string kRespuestaLogin =
    R"(<?xml version="1.0" encoding="utf-8"?>)"
    R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/" )"
    R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" )"
    R"(xmlns:xsd="http://www.w3.org/2001/XMLSchema"><soap:Body>)"
    R"(<LoginOut xmlns="http://www.lexnet.justicia.es/ws/Login">)"
    R"(&lt;?xml version="1.0" encoding="UTF-8"?&gt;)"
    R"(&lt;mensajeWS xmlns="http://www.lexnet.justicia.es/ws/mensajeWS"&gt;)"
    R"(&lt;respuestaLogin&gt;&lt;idSesion&gt;1234&lt;/idSesion&gt;)"
    R"(&lt;numeroPendientes&gt;3&lt;/numeroPendientes&gt;&lt;/respuestaLogin&gt;)"
    R"(&lt;/mensajeWS&gt;</LoginOut></soap:Body></soap:Envelope>)";

// The same shape for any operation and message body.
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

// A main window's share of one exchange, run as the command door runs it: the answer
// processed, then the error check.
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
    for (const Programa p : {Programa::Ambrel, Programa::Corvane}) {
        Ventana v{p};
        EXPECT_FALSE(v.recibir(kRespuestaLogin, "Login"));
        EXPECT_EQ(v.estado.idSesion, 1234);
        EXPECT_EQ(v.estado.NumeroPendientes, 3);
        EXPECT_EQ(v.estado.textoSesion, "1234");
        EXPECT_EQ(v.vista.texto(2), kRaizMensaje);
        EXPECT_TRUE(v.ui.mensajes.empty());
    }
    Ventana v;
    v.estado.idSesion = 77;
    v.recibir(login(""), "login");
    EXPECT_EQ(v.estado.textoSesion, "77");
    v.recibir(login("<idSesion>11</idSesion><numeroPendientes>1</numeroPendientes><otra>"
                    "<idSesion> -22 </idSesion><numeroPendientes>+4</numeroPendientes></otra>"),
              "Login");
    EXPECT_EQ(v.estado.idSesion, -22);
    EXPECT_EQ(v.estado.NumeroPendientes, 4);
}

TEST(Respuesta, LoginConValorQueNoEsNumeroOQueNoCabeLanzaErrorDeConversion) {
    const std::pair<std::string, std::int32_t> casos[] = {
        {"<idSesion>abc</idSesion>", 13},
        {"<idSesion>1.5</idSesion>", 13},
        {"<idSesion>99999999999x</idSesion>", 13},
        {"<idSesion>2147483648</idSesion>", 6},
        {"<idSesion>" + std::string(5000, '9') + "</idSesion>", 6},
        {"<numeroPendientes>32768</numeroPendientes>", 6},
    };
    for (const auto& [valores, numero] : casos) {
        Ventana v;
        try {
            v.recibir(login(valores), "Login");
            ADD_FAILURE() << "sin error: " << valores;
        } catch (const ErrorConversion& e) {
            EXPECT_EQ(e.numero(), numero) << valores;
            EXPECT_EQ(e.descripcion(), numero == 13 ? "No coinciden los tipos" : "Desbordamiento");
        }
    }
    EXPECT_EQ(comoEntero32("-2147483648"), INT32_MIN);
    EXPECT_EQ(comoEntero16("-32768"), -32768);
}

// A 503 page ends either program at once; a 500 page ends Ambrel, while Corvane takes it as
// an answer that brings no message.
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
}

// A block error marks ErrorBloque (set only: clearing is the caller's) and keeps the tree.
TEST(Respuesta, BloqueConErrorMarcaErrorBloqueYConservaLaVista) {
    Ventana v;
    v.recibir(sobre("ObtenerBloque", "<bytesContenido>QUJD</bytesContenido>"), "ObtenerBloque");
    EXPECT_FALSE(v.recibir(respuestaError("ObtenerBloque", "204", "Bloque inexistente"),
                           "ObtenerBloque", "201800001"));
    EXPECT_TRUE(v.estado.ErrorBloque);
    EXPECT_EQ(v.vista.valorDeElemento("bytesContenido"), "QUJD");
    v.recibir(sobre("ObtenerBloque", "<esUltimo>true</esUltimo>"), "OBTENERBLOQUE");
    EXPECT_TRUE(v.estado.ErrorBloque);
    EXPECT_EQ(v.vista.valorDeElemento("esUltimo"), "true");
}

std::string mensajeError(Programa p, const std::string& codigo, const std::string& texto,
                         const std::string& id) {
    const std::string comun = "El servidor LexNet ha devuelto el siguiente error:\r\n\r\n"
                              "Código : " +
                              codigo + "\r\nTexto : " + texto + "\r\n\r\n";
    return p == Programa::Corvane ? comun + "El proceso no se completará."
                                  : comun +
                                        "El proceso no se completará correctamente.\r\n\r\n"
                                        "Identificador LexNEt : " +
                                        id + "\r\n";
}

TEST(Respuesta, ErrorDeServicioSeMuestraYTerminaSalvoDondeElLlamanteSigue) {
    struct Caso {
        Programa programa;
        std::string servicio;
        bool termina;
    };
    const Caso casos[] = {
        {Programa::Ambrel, "Login", true},          {Programa::Ambrel, "ObtenerMensaje", false},
        {Programa::Ambrel, "obtenerbloque", false}, {Programa::Corvane, "ObtenerBloque", true},
        {Programa::Corvane, "ENVIARBLOQUE", false},
    };
    for (const Caso& c : casos) {
        Ventana v{c.programa};
        const auto fin =
            v.recibir(respuestaError("Op", "101", "Sesión no válida"), c.servicio, "201800007");
        ASSERT_EQ(v.ui.mensajes.size(), 1u) << c.servicio;
        EXPECT_EQ(v.ui.mensajes[0].texto,
                  mensajeError(c.programa, "101", "Sesión no válida", "201800007"));
        EXPECT_EQ(v.ui.mensajes[0].titulo, "Control de erorres");
        EXPECT_EQ(v.ui.mensajes[0].icono, Icono::Critico);
        ASSERT_EQ(fin.has_value(), c.termina) << c.servicio;
        // The end goes through the main window's shutdown, not an immediate end.
        EXPECT_TRUE(v.ui.terminaciones.empty());
        if (fin) {
            EXPECT_TRUE(fin->conCierre);
        }
    }

    Ventana sinError;
    EXPECT_FALSE(sinError.recibir(sobre("ObtenerCabeceras", "<cabecera/>"), "ObtenerCabeceras"));
    EXPECT_TRUE(sinError.ui.mensajes.empty());
    Ventana vacio{Programa::Corvane};
    vacio.recibir(sobre("EnviarBloque", "<respuestaError/>"), "EnviarBloque");
    ASSERT_EQ(vacio.ui.mensajes.size(), 1u);
    EXPECT_EQ(vacio.ui.mensajes[0].texto, mensajeError(Programa::Corvane, "", "", ""));
}

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
}

} // namespace
