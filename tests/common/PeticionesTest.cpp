#include "common/Peticiones.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

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

// The mensajeWS document of a request: the text of the operation element, itself parsed.
// Both levels must be well-formed XML.
std::unique_ptr<pugi::xml_document> interiorDe(const std::string& peticion) {
    pugi::xml_document sobre;
    if (!sobre.load_string(peticion.c_str())) {
        return nullptr;
    }
    const std::string texto =
        sobre.child("soap:Envelope").child("soap:Body").first_child().text().get();
    auto interior = std::make_unique<pugi::xml_document>();
    return interior->load_string(texto.c_str()) ? std::move(interior) : nullptr;
}

std::string textoDe(const pugi::xml_document& d, const char* elemento) {
    return d.find_node([&](pugi::xml_node n) { return std::string_view(n.name()) == elemento; })
        .text()
        .get();
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
    EXPECT_EQ(p.peticionObtenerCabeceras(7, "", "", true, false),
              sobre("ObtenerCabeceras", inicio + "&lt;fecha&gt;&lt;/fecha&gt; " + fin("false")));

    const std::string misma =
        p.peticionObtenerCabeceras(7, "2024-03-01T00:00:00", "2024-03-01T23:59:59", true, false);
    EXPECT_EQ(misma,
              sobre("ObtenerCabeceras",
                    inicio + "&lt;fecha&gt;2024-03-01T00:00:00&lt;/fecha&gt; " + fin("false")));
    EXPECT_EQ(misma.find("fechaInicio"), std::string::npos);
    EXPECT_EQ(misma.find("fechaFin"), std::string::npos);

    const std::string rango =
        p.peticionObtenerCabeceras(7, "2024-03-01T00:00:00", "2024-03-09T23:59:59", false, true);
    EXPECT_EQ(rango,
              sobre("ObtenerCabeceras",
                    inicio + "&lt;fechaInicio&gt;2024-03-01T00:00:00&lt;/fechaInicio&gt; " +
                        "&lt;fechaFin&gt;2024-03-09T23:59:59&lt;/fechaFin&gt; " + fin("true")));
    EXPECT_EQ(rango.find("&lt;fecha&gt;"), std::string::npos);
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
    EXPECT_NE(p.peticionObtenerBloque(12, "X", 1, 32767)
                  .find("&lt;idBloquePedido&gt;32767&lt;/idBloquePedido&gt; "),
              std::string::npos);
    EXPECT_EQ(p.peticionTerminarDescarga(12, "0123-AB"),
              sobre("TerminarDescarga", "&lt;solicitudFinDescarga&gt;" + sesion("12") + kApp +
                                            "&lt;idMensaje&gt;0123-AB&lt;/idMensaje&gt; "
                                            "&lt;/solicitudFinDescarga&gt; "));
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
    const std::string peticion = Peticiones().peticionObtenerTiposProcedimiento(9, organo);
    EXPECT_EQ(peticion,
              sobre("ObtenerTiposProcedimiento", cuerpo, "</soap:Body>  </soap:Envelope>"));
    EXPECT_EQ(peticion.substr(peticion.size() - 30), "</soap:Body>  </soap:Envelope>");
}

// Markup characters in a value used to break the request: every value comes out of both
// levels exactly as it went in, and every request is well-formed on one line.
TEST(Peticiones, LosValoresSeEscapanEnLosDosNiveles) {
    const Peticiones p;
    const std::string nombre = "Juzgado de Paz & Cía <1> 'A'";
    const OrganoJudicial organo{"28079", "02", "5", "CN=\"Paz\",O=A&B", nombre};
    const std::string tipos = p.peticionObtenerTiposProcedimiento(1, organo);
    EXPECT_NE(tipos.find("&lt;nombre&gt;Juzgado de Paz &amp;amp; Cía &amp;lt;1&amp;gt; "
                         "&amp;apos;A&amp;apos;&lt;/nombre&gt; "),
              std::string::npos);
    const auto interior = interiorDe(tipos);
    ASSERT_TRUE(interior);
    EXPECT_EQ(textoDe(*interior, "nombre"), nombre);
    EXPECT_EQ(textoDe(*interior, "dn"), organo.dn);
    const auto mensaje = interiorDe(p.peticionObtenerMensaje(1, " <a&b> "));
    ASSERT_TRUE(mensaje);
    EXPECT_EQ(textoDe(*mensaje, "id"), " <a&b> "); // not trimmed

    for (const std::string& peticion :
         {p.peticionLogin(), p.peticionLogout(1),
          p.peticionObtenerCabeceras(1, "2024-01-01T00:00:00", "2024-01-02T23:59:59", false, false),
          p.peticionObtenerPendientes(1), p.peticionObtenerBloque(1, "id", 0, 0),
          p.peticionTerminarDescarga(1, "id"), p.peticionObtenerDestinatarios(1)}) {
        EXPECT_EQ(peticion.find_first_of("\r\n"), std::string::npos) << peticion;
        EXPECT_TRUE(interiorDe(peticion)) << peticion;
    }
}

TEST(Peticiones, LosEspaciosDeLexnetSonConfigurables) {
    EspaciosLexnet espacios;
    espacios.operaciones = "urn:prueba:";
    espacios.mensajeWS = "urn:mensaje?a=1&b=2";
    espacios.porOperacion["TerminarDescarga"] = "urn:otro";
    const Peticiones p(espacios);
    const std::string login = p.peticionLogin();
    EXPECT_NE(login.find(R"(<LoginIn xmlns="urn:prueba:Login">)"), std::string::npos);
    EXPECT_NE(p.peticionTerminarDescarga(1, "x").find(R"(<TerminarDescargaIn xmlns="urn:otro">)"),
              std::string::npos);
    const auto interior = interiorDe(login);
    ASSERT_TRUE(interior);
    EXPECT_STREQ(interior->child("mensajeWS").attribute("xmlns").value(), "urn:mensaje?a=1&b=2");
}

TEST(Peticiones, NombresDeServicio) {
    EXPECT_EQ(servicioDe(Operacion::TerminarDescarga), "FinalizarDescarga");
    EXPECT_EQ(nombreOperacion(Operacion::TerminarDescarga), "TerminarDescarga");
    EXPECT_EQ(operacionDelServicio("finalizarDESCARGA"), Operacion::TerminarDescarga);
    EXPECT_EQ(operacionDelServicio("TerminarDescarga"), std::nullopt);
    EXPECT_EQ(operacionDelServicio("Logout"), std::nullopt);
}

} // namespace
