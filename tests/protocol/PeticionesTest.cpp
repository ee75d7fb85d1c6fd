#include "protocol/Peticiones.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

// Expected texts are written out here, not built with the code under test.
const std::string kCabecera =
    R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema"><soap:Body>)";
const std::string kCola = "</soap:Body></soap:Envelope>";
const std::string kApp = "&lt;idAplicacion&gt;VANT_QUAREL&lt;/idAplicacion&gt; ";

std::string sobre(const std::string& operacion, const std::string& cuerpo,
                  const std::string& cola = kCola) {
    return kCabecera + "<" + operacion + "In xmlns=\"http://www.lexnet.justicia.es/ws/" +
           operacion + "\">" +
           R"(&lt;?xml version="1.0" encoding="utf-8"?&gt;&lt;mensajeWS xmlns="http://www.lexnet.justicia.es/ws/mensajeWS"&gt;)" +
           cuerpo + "&lt;/mensajeWS&gt;</" + operacion + "In>" + cola;
}

std::string sesion(const std::string& id) {
    return "&lt;idSesion&gt;" + id + "&lt;/idSesion&gt; ";
}

TEST(Peticiones, LoginEsExactamenteElSobreConSuCuerpo) {
    const std::string esperada =
        R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema"><soap:Body><LoginIn xmlns="http://www.lexnet.justicia.es/ws/Login">&lt;?xml version="1.0" encoding="utf-8"?&gt;&lt;mensajeWS xmlns="http://www.lexnet.justicia.es/ws/mensajeWS"&gt;&lt;solicitudLogin&gt;&lt;idAplicacion&gt;VANT_QUAREL&lt;/idAplicacion&gt; &lt;/solicitudLogin&gt; &lt;/mensajeWS&gt;</LoginIn></soap:Body></soap:Envelope>)";
    EXPECT_EQ(Peticiones().peticionLogin(), esperada);
}

TEST(Peticiones, ObtenerCabecerasSegunLasFechas) {
    const Peticiones p;
    const std::string inicio = "&lt;solicitudGetCabeceras&gt;" + sesion("7") + kApp +
                               "&lt;tipoMensaje&gt;&lt;/tipoMensaje&gt; ";
    const auto fin = [](const char* pendientes) {
        return std::string("&lt;soloPendientes&gt;") + pendientes +
               "&lt;/soloPendientes&gt; &lt;/solicitudGetCabeceras&gt; ";
    };
    EXPECT_EQ(p.peticionObtenerCabeceras(7, "", "2024-03-02T23:59:59", false, true),
              sobre("ObtenerCabeceras", inicio + "&lt;fecha&gt;&lt;/fecha&gt; " + fin("true")));
    EXPECT_EQ(
        p.peticionObtenerCabeceras(7, "2024-03-01T00:00:00", "2024-03-01T23:59:59", true, false),
        sobre("ObtenerCabeceras",
              inicio + "&lt;fecha&gt;2024-03-01T00:00:00&lt;/fecha&gt; " + fin("false")));
    EXPECT_EQ(
        p.peticionObtenerCabeceras(7, "2024-03-01T00:00:00", "2024-03-09T23:59:59", false, true),
        sobre("ObtenerCabeceras",
              inicio + "&lt;fechaInicio&gt;2024-03-01T00:00:00&lt;/fechaInicio&gt; " +
                  "&lt;fechaFin&gt;2024-03-09T23:59:59&lt;/fechaFin&gt; " + fin("true")));
}

TEST(Peticiones, PeticionesDeLaDescarga) {
    const Peticiones p;
    EXPECT_EQ(p.peticionLogout(-5), sobre("Logout", "&lt;solicitudLogout&gt;" + sesion("-5") +
                                                        kApp + "&lt;/solicitudLogout&gt; "));
    EXPECT_EQ(p.peticionObtenerMensaje(12, "0123-AB"),
              sobre("ObtenerMensaje", "&lt;solicitudGetMensaje&gt;" + sesion("12") + kApp +
                                          "&lt;id&gt;0123-AB&lt;/id&gt; "
                                          "&lt;/solicitudGetMensaje&gt; "));
    EXPECT_EQ(p.peticionObtenerBloque(12, "0123-AB", 3, 0),
              sobre("ObtenerBloque", "&lt;solicitudGetBloque&gt;" + sesion("12") + kApp +
                                         "&lt;id&gt;0123-AB&lt;/id&gt; "
                                         "&lt;idAdjunto&gt;3&lt;/idAdjunto&gt; "
                                         "&lt;idBloquePedido&gt;0&lt;/idBloquePedido&gt; "
                                         "&lt;/solicitudGetBloque&gt; "));
    EXPECT_EQ(p.peticionTerminarDescarga(12, "0123-AB"),
              sobre("TerminarDescarga", "&lt;solicitudFinDescarga&gt;" + sesion("12") + kApp +
                                            "&lt;idMensaje&gt;0123-AB&lt;/idMensaje&gt; "
                                            "&lt;/solicitudFinDescarga&gt; "));
    EXPECT_EQ(p.peticionObtenerPendientes(12),
              sobre("ObtenerPendientes", "&lt;solicitudGetPendientes&gt;" + sesion("12") + kApp +
                                             "&lt;/solicitudGetPendientes&gt; "));
    EXPECT_EQ(p.peticionObtenerDestinatarios(12),
              sobre("ObtenerDestinatarios", "&lt;solicitudGetDestinatarios&gt;" + sesion("12") +
                                                kApp + "&lt;/solicitudGetDestinatarios&gt; "));
}

TEST(Peticiones, TiposProcedimientoTerminaConDosBlancos) {
    const OrganoJudicial organo{"28079", "02", "5", "CN=Juzgado 5", "Juzgado 5"};
    const std::string cuerpo =
        "&lt;solicitudGetTiposProcedimiento&gt;" + sesion("9") + kApp +
        "&lt;destinoProc&gt; &lt;organoJudicial&gt; "
        "&lt;codigoPoblacion&gt;28079&lt;/codigoPoblacion&gt; "
        "&lt;tipoOrgano&gt;02&lt;/tipoOrgano&gt; &lt;numeroOrgano&gt;5&lt;/numeroOrgano&gt; "
        "&lt;dn&gt;CN=Juzgado 5&lt;/dn&gt; &lt;nombre&gt;Juzgado 5&lt;/nombre&gt; "
        "&lt;/organoJudicial&gt;&lt;/destinoProc&gt;&lt;/solicitudGetTiposProcedimiento&gt; ";
    EXPECT_EQ(Peticiones().peticionObtenerTiposProcedimiento(9, organo),
              sobre("ObtenerTiposProcedimiento", cuerpo, "</soap:Body>  </soap:Envelope>"));
}

// Markup characters in a value used to break the request: each is escaped at both levels,
// and nothing is trimmed.
TEST(Peticiones, LosValoresSeEscapanEnLosDosNiveles) {
    const Peticiones p;
    const OrganoJudicial organo{"28079", "02", "5", "CN=\"Paz\",O=A&B", "Paz & Cía <1> 'A'"};
    EXPECT_NE(p.peticionObtenerTiposProcedimiento(1, organo).find(
                  "&lt;dn&gt;CN=&amp;quot;Paz&amp;quot;,O=A&amp;amp;B&lt;/dn&gt; "
                  "&lt;nombre&gt;Paz &amp;amp; Cía &amp;lt;1&amp;gt; "
                  "&amp;apos;A&amp;apos;&lt;/nombre&gt; "),
              std::string::npos);
    EXPECT_NE(p.peticionObtenerMensaje(1, " <a&b> ")
                  .find("&lt;id&gt; &amp;lt;a&amp;amp;b&amp;gt; &lt;/id&gt; "),
              std::string::npos);
}

TEST(Peticiones, NombresDeServicio) {
    EXPECT_EQ(operacionDelServicio("finalizarDESCARGA"), Operacion::TerminarDescarga);
    EXPECT_EQ(operacionDelServicio("TerminarDescarga"), std::nullopt);
    EXPECT_EQ(operacionDelServicio("Logout"), std::nullopt);
}

} // namespace
