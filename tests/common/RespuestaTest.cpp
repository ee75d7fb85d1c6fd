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
}

TEST(Respuesta, LoginSinIdSesionConservaElAnteriorYConVariosGanaElUltimo) {
    Ventana v;
    v.recibir(login("<numeroPendientes>2</numeroPendientes>"), "LOGIN");
    EXPECT_EQ(v.estado.idSesion, 0);
    EXPECT_EQ(v.estado.textoSesion, "0");
    EXPECT_EQ(v.estado.NumeroPendientes, 2);

    v.estado.idSesion = 77;
    v.recibir(login(""), "login");
    EXPECT_EQ(v.estado.idSesion, 77);
    EXPECT_EQ(v.estado.textoSesion, "77");

    v.recibir(login("<idSesion>11</idSesion><numeroPendientes>1</numeroPendientes><otra>"
                    "<idSesion> -22 </idSesion><numeroPendientes>+4</numeroPendientes></otra>"),
              "Login");
    EXPECT_EQ(v.estado.idSesion, -22);
    EXPECT_EQ(v.estado.NumeroPendientes, 4);
    EXPECT_EQ(v.estado.textoSesion, "-22");
}

TEST(Respuesta, LoginConValorQueNoEsNumeroOQueNoCabeLanzaErrorDeConversion) {
    struct Caso {
        std::string valores;
        std::int32_t numero;
    };
    const Caso casos[] = {
        {"<idSesion>abc</idSesion>", 13},
        {"<idSesion></idSesion><numeroPendientes>1</numeroPendientes>", 13},
        {"<idSesion>12 34</idSesion>", 13},
        {"<idSesion>1.5</idSesion>", 13},
        {"<idSesion>99999999999x</idSesion>", 13},
        {"<numeroPendientes>-</numeroPendientes>", 13},
        {"<idSesion>99999999999</idSesion>", 6},
        {"<idSesion>2147483648</idSesion>", 6},
        {"<idSesion>-2147483649</idSesion>", 6},
        {"<idSesion>" + std::string(5000, '9') + "</idSesion>", 6},
        {"<numeroPendientes>32768</numeroPendientes>", 6},
        {"<numeroPendientes>-32769</numeroPendientes>", 6},
    };
    for (const Caso& c : casos) {
        Ventana v;
        try {
            v.recibir(login(c.valores), "Login");
            ADD_FAILURE() << "sin error: " << c.valores;
        } catch (const ErrorConversion& e) {
            EXPECT_EQ(e.numero(), c.numero) << c.valores;
            EXPECT_EQ(e.descripcion(),
                      c.numero == 13 ? "No coinciden los tipos" : "Desbordamiento");
        }
        EXPECT_EQ(v.estado.textoSesion, "") << c.valores;
    }
    EXPECT_EQ(comoEntero32("2147483647"), 2147483647);
    EXPECT_EQ(comoEntero32("-2147483648"), INT32_MIN);
    EXPECT_EQ(comoEntero32("000000000000000000042"), 42);
    EXPECT_EQ(comoEntero16("-32768"), -32768);
}

TEST(Respuesta, PaginasDeErrorDelServidorTerminanAlMomento) {
    const std::string p503 = "<html><head><title>503 Service Temporarily Unavailable</title>"
                             "</head><body><h1>Service Temporarily Unavailable</h1></body></html>";
    const std::string p500 = "<html><head><title>500 Internal Server Error</title></head>"
                             "<body><h1>Internal Server Error</h1></body></html>";
    const std::string k503 = "SERVICIO TEMPORALMENTE NO DISPONIBLE. PRUEBE MAS TARDE !!!";
    for (const auto& [programa, pagina, texto] :
         {std::tuple{Programa::Ambrel, p503, k503}, std::tuple{Programa::Corvane, p503, k503},
          std::tuple{Programa::Ambrel, p500,
                     std::string("ERROR EN EL SERVIDOR LEXNET. PRUEBE MAS TARDE !!!")}}) {
        Ventana v{programa};
        v.vista.CargarTreeview("<previo/>");
        const auto fin = v.recibir(pagina, "ObtenerCabeceras");
        ASSERT_TRUE(fin) << texto;
        EXPECT_EQ(fin->codigo, 1);
        EXPECT_FALSE(fin->conCierre);
        EXPECT_EQ(v.ui.terminaciones, std::vector<int>{1});
        ASSERT_EQ(v.ui.mensajes.size(), 1u);
        EXPECT_EQ(v.ui.mensajes[0].texto, texto);
        EXPECT_EQ(v.ui.mensajes[0].titulo, "Atención");
        EXPECT_EQ(v.ui.mensajes[0].icono, Icono::Critico);
        EXPECT_EQ(v.vista.texto(2), "previo");
    }

    // Corvane processes the 500 page like any other answer: its text is no LexNET message.
    Ventana v{Programa::Corvane};
    v.vista.CargarTreeview("<previo/>");
    EXPECT_FALSE(v.recibir(p500, "ObtenerCabeceras"));
    EXPECT_TRUE(v.ui.mensajes.empty());
    EXPECT_EQ(v.vista.tamano(), 1u);
}

TEST(Respuesta, CadaServicioCargaLaVistaSegunElPrograma) {
    struct Caso {
        std::string servicio;
        bool ambrel;
        bool corvane;
    };
    const Caso casos[] = {
        {"Login", true, true},
        {"ObtenerCabeceras", true, true},
        {"OBTENERPENDIENTES", true, true},
        {"obtenertiposprocedimiento", true, true},
        {"ObtenerMensaje", true, true},
        {"ObtenerBloque", true, true},
        {"ObtenerDestinatarios", false, true},
        {"EnviarMensaje", false, true},
        {"EnviarBloque", false, true},
        {"FinalizarDescarga", false, false},
        {"Logout", false, false},
    };
    const std::string respuesta =
        sobre("Operacion", "<respuesta><destinatario><dn>CN=1</dn></destinatario></respuesta>");
    for (const Caso& c : casos) {
        for (const Programa p : {Programa::Ambrel, Programa::Corvane}) {
            Ventana v{p};
            v.vista.CargarTreeview("<previo/>");
            v.recibir(respuesta, c.servicio);
            const bool carga = p == Programa::Ambrel ? c.ambrel : c.corvane;
            EXPECT_EQ(v.vista.texto(2), carga ? kRaizMensaje : "previo") << c.servicio;
            EXPECT_EQ(v.vista.valorDeElemento("dn"), carga ? "CN=1" : "") << c.servicio;
            EXPECT_TRUE(v.ui.mensajes.empty());
        }
    }
}

TEST(Respuesta, RespuestaQueNoTraeUnMensajeXmlDejaSoloLaRaiz) {
    for (const std::string& respuesta :
         {std::string("no es XML"), sobre("ObtenerMensaje", "") + "<sobra>",
          std::string("<soap:Envelope><soap:Body><ObtenerMensajeOut>texto &amp; nada"
                      "</ObtenerMensajeOut></soap:Body></soap:Envelope>")}) {
        Ventana v;
        v.vista.CargarTreeview("<previo/>");
        v.recibir(respuesta, "ObtenerMensaje");
        EXPECT_EQ(v.vista.tamano(), 1u) << respuesta;
        EXPECT_EQ(v.vista.texto(1), "Respuesta procesada de Lexnet");
    }
    EXPECT_EQ(textoDelDocumento("<a>uno<!--no--><b><![CDATA[<dos>]]></b>&amp;tres</a>"),
              "uno<dos>&tres");
}

TEST(Respuesta, BloqueConErrorMarcaErrorBloqueYConservaLaVista) {
    Ventana v;
    v.recibir(sobre("ObtenerBloque", "<respuestaGetBloque><bytesContenido>QUJD</bytesContenido>"
                                     "<esUltimo>false</esUltimo></respuestaGetBloque>"),
              "ObtenerBloque");
    const std::size_t nodos = v.vista.tamano();

    EXPECT_FALSE(v.recibir(respuestaError("ObtenerBloque", "204", "Bloque inexistente"),
                           "ObtenerBloque", "201800001"));
    EXPECT_TRUE(v.estado.ErrorBloque);
    EXPECT_EQ(v.vista.tamano(), nodos);
    EXPECT_EQ(v.vista.valorDeElemento("bytesContenido"), "QUJD");

    // Set only: a good block afterwards leaves it for the caller to clear.
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
        {Programa::Ambrel, "Login", true},
        {Programa::Ambrel, "ObtenerCabeceras", true},
        {Programa::Ambrel, "FinalizarDescarga", true},
        {Programa::Ambrel, "ObtenerMensaje", false},
        {Programa::Ambrel, "obtenerbloque", false},
        {Programa::Corvane, "EnviarMensaje", true},
        {Programa::Corvane, "ObtenerDestinatarios", true},
        {Programa::Corvane, "ObtenerBloque", true},
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
