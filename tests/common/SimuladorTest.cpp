// The LexNET simulator as a peer: what it takes, what it answers, what it records.
#include "tests/support/Simulador.h"

#include "common/Enc64.h"
#include "common/Peticiones.h"

#include <gtest/gtest.h>
#include <openssl/cms.h>
#include <openssl/pem.h>
#include <pugixml.hpp>
#include <string>

namespace {

using nlohmann::json;

const std::string kApp = "&lt;idAplicacion&gt;VANT_QUAREL&lt;/idAplicacion&gt; ";

std::string sesion(int id) {
    return "&lt;idSesion&gt;" + std::to_string(id) + "&lt;/idSesion&gt; " + kApp;
}

json datosDePrueba() {
    return {
        {"tamBloque", 4096},
        {"tamBloqueEnvio", 100},
        {"primeraSesion", 700},
        {"fechaIngreso", "2024-05-03T10:11:12.345+02:00"},
        {"notificaciones",
         {{{"id", "N1"},
           {"fechaEnvio", "2024-03-01T10:20:30"},
           {"asunto", "Sentencia"},
           {"numeroProcedimiento", "0000123/2024"},
           {"documentos",
            {{{"nombre", "Cedula.pdf"}, {"generar", {{"tamano", 10000}, {"semilla", 7}}}},
             {{"nombre", "Vacio.txt"}, {"texto", "x"}}}}},
          {{"id", "N2"}, {"fechaEnvio", "2024-03-09T09:00:00"}, {"pendiente", false}}}},
        {"destinatarios",
         {{{"clase", "organoJudicial"},
           {"codigoPoblacion", "28079"},
           {"tipoOrgano", "02"},
           {"numeroOrgano", "5"},
           {"dn", "CN=Juzgado 5"},
           {"nombre", "Juzgado 5"}}}},
        {"tiposProcedimiento",
         {{{"codigo", "ORD"}, {"texto", "Ordinario"}, {"leyAntigua", false}}}},
    };
}

// The mensajeWS document of an answer: the text of the SOAP body, parsed.
struct Mensaje {
    pugi::xml_document documento;
    std::string valor(const char* elemento) const {
        return documento
            .find_node([&](pugi::xml_node n) { return std::string_view(n.name()) == elemento; })
            .text()
            .as_string();
    }
    bool tiene(const char* elemento) const {
        return documento.find_node(
            [&](pugi::xml_node n) { return std::string_view(n.name()) == elemento; });
    }
};

std::unique_ptr<Mensaje> mensajeDe(const RespuestaHttps& r) {
    pugi::xml_document sobre;
    EXPECT_TRUE(sobre.load_string(r.cuerpo.c_str())) << r.cuerpo;
    auto m = std::make_unique<Mensaje>();
    const std::string texto = sobre.document_element().first_child().first_child().text().get();
    EXPECT_TRUE(m->documento.load_string(texto.c_str())) << r.cuerpo;
    return m;
}

int login(const Simulador& s) {
    const RespuestaHttps r = s.publicar("Login", Peticiones().peticionLogin());
    return std::stoi(mensajeDe(r)->valor("idSesion"));
}

RespuestaHttps pedirBloque(const Simulador& s, int id, const char* idLexNet, int adjunto,
                           int bloque) {
    return s.publicar("ObtenerBloque",
                      Peticiones().peticionObtenerBloque(id, idLexNet, adjunto,
                                                         static_cast<std::int16_t>(bloque)));
}

TEST(Simulador, ElLoginAbreSesionesYCuentaLasPendientes) {
    Simulador s(datosDePrueba().dump());
    const RespuestaHttps r = s.publicar("Login", Peticiones().peticionLogin());
    ASSERT_EQ(r.errorCurl, 0) << r.error;
    EXPECT_EQ(r.estado, 200);
    const auto m = mensajeDe(r);
    EXPECT_EQ(m->valor("idSesion"), "700");
    EXPECT_EQ(m->valor("numeroPendientes"), "1"); // N2 was already confirmed
    EXPECT_EQ(login(s), 701);

    // A session that was never opened, or was closed, is refused.
    const Peticiones p;
    const auto cerrada = [&](int id) {
        return mensajeDe(s.publicar("ObtenerPendientes", p.peticionObtenerPendientes(id)));
    };
    EXPECT_EQ(cerrada(999)->valor("codigo"), "SESION_NO_VALIDA");
    s.publicar("Logout", p.peticionLogout(700));
    EXPECT_EQ(cerrada(700)->valor("codigo"), "SESION_NO_VALIDA");
    EXPECT_EQ(cerrada(701)->valor("id"), "N1");
}

TEST(Simulador, SoloAtiendeACertificadosDeLaAutoridadDePrueba) {
    Simulador s(datosDePrueba().dump());
    const TarjetaPrueba& t = TarjetaPrueba::comun();
    const std::string cuerpo = Peticiones().peticionLogin();

    const RespuestaHttps sinCertificado = publicarHttps(s.url() + "Login", cuerpo, t.ca(), {});
    EXPECT_NE(sinCertificado.errorCurl, 0);
    EXPECT_EQ(sinCertificado.estado, 0);
    const RespuestaHttps ajeno = publicarHttps(
        s.url() + "Login", cuerpo, t.ca(), IdentidadCliente{t.certificadoAjeno(), t.claveAjena()});
    EXPECT_NE(ajeno.errorCurl, 0);
    EXPECT_EQ(ajeno.estado, 0);
    // The server proves itself with the test authority, not with any other.
    const RespuestaHttps otraAutoridad =
        publicarHttps(s.url() + "Login", cuerpo, t.caAjena(),
                      IdentidadCliente{t.certificadoControl(), t.claveControl()});
    EXPECT_NE(otraAutoridad.errorCurl, 0);
    EXPECT_TRUE(s.peticiones().empty());

    EXPECT_EQ(s.publicar("Login", cuerpo).errorCurl, 0);
    ASSERT_EQ(s.peticiones().size(), 1u);
    EXPECT_EQ(s.peticiones()[0]["certificado"], "CN=Control del simulador,O=Pruebas LexNET,C=ES");
}

TEST(Simulador, RegistraCadaPeticionConSusValores) {
    Simulador s(datosDePrueba().dump());
    const int id = login(s);
    const Peticiones p;
    s.publicar("ObtenerCabeceras", p.peticionObtenerCabeceras(id, "2024-03-01T00:00:00",
                                                              "2024-03-05T23:59:59", false, false));
    s.publicar("TerminarDescarga", p.peticionTerminarDescarga(id, "N1"));
    s.publicar("TerminarDescarga", p.peticionTerminarDescarga(id, "N1"));

    const std::vector<json> todas = s.peticiones();
    ASSERT_EQ(todas.size(), 4u);
    EXPECT_EQ(todas[0]["operacion"], "Login");
    EXPECT_EQ(todas[0]["notas"]["idSesion"], id);
    EXPECT_EQ(todas[1]["n"], 2);
    EXPECT_EQ(todas[1]["sesion"], id);
    EXPECT_EQ(todas[1]["idAplicacion"], "VANT_QUAREL");
    EXPECT_EQ(todas[1]["valores"]["fechaInicio"], "2024-03-01T00:00:00");
    EXPECT_EQ(todas[1]["notas"]["cabeceras"], json::array({"N1"})); // N2 is out of range
    EXPECT_EQ(todas[1]["cabeceras"]["Content-Type"], "text/xml; charset=utf-8");
    EXPECT_EQ(todas[1]["cuerpo"], p.peticionObtenerCabeceras(id, "2024-03-01T00:00:00",
                                                             "2024-03-05T23:59:59", false, false));
    EXPECT_EQ(s.peticiones("TerminarDescarga").size(), 2u);
    EXPECT_EQ(todas[3]["valores"]["idMensaje"], "N1");

    // Values arrive escaped once for each level and are read back as they were.
    const std::string raro = "A&B <1> \"c\"";
    EXPECT_EQ(mensajeDe(s.publicar("ObtenerMensaje", p.peticionObtenerMensaje(id, raro)))
                  ->valor("codigo"),
              "MENSAJE_DESCONOCIDO");
    EXPECT_EQ(s.peticiones().back()["valores"]["id"], raro);

    // A confirmed notification is no longer pending.
    const auto m = mensajeDe(s.publicar("Login", p.peticionLogin()));
    EXPECT_EQ(m->valor("numeroPendientes"), "0");
}

TEST(Simulador, DescargaUnDocumentoPorBloques) {
    Simulador s(datosDePrueba().dump());
    const int id = login(s);
    const auto mensaje =
        mensajeDe(s.publicar("ObtenerMensaje", Peticiones().peticionObtenerMensaje(id, "N1")));
    EXPECT_EQ(mensaje->valor("numeroProcedimiento"), "0000123/2024");
    EXPECT_EQ(mensaje->valor("tamBloque"), "4096");
    EXPECT_TRUE(mensaje->tiene("firmantes"));

    std::string contenido;
    for (int bloque = 0; bloque < 3; ++bloque) {
        const auto m = mensajeDe(pedirBloque(s, id, "N1", 1, bloque));
        const std::vector<std::uint8_t> bytes = MyDecode(m->valor("bytesContenido"));
        contenido.append(bytes.begin(), bytes.end());
        EXPECT_EQ(m->valor("esUltimo"), bloque == 2 ? "true" : "false");
    }
    EXPECT_EQ(contenido, bytesGenerados(10000, 7));
    EXPECT_EQ(mensajeDe(pedirBloque(s, id, "N1", 1, 3))->valor("codigo"), "BLOQUE_FUERA_DE_RANGO");
    EXPECT_EQ(mensajeDe(pedirBloque(s, id, "N1", 9, 0))->valor("codigo"), "ADJUNTO_DESCONOCIDO");
    EXPECT_EQ(mensajeDe(pedirBloque(s, id, "NADA", 1, 0))->valor("codigo"), "MENSAJE_DESCONOCIDO");
}

TEST(Simulador, FallosDesdeElInicioYCambiadosEnMarcha) {
    OpcionesSimulador o;
    o.datos = datosDePrueba().dump();
    o.fallos = R"({"fallos": [{"operacion": "Login", "tipo": "503", "veces": 1}]})";
    Simulador s(o);
    const RespuestaHttps pagina = s.publicar("Login", Peticiones().peticionLogin());
    EXPECT_EQ(pagina.estado, 503);
    EXPECT_NE(pagina.cuerpo.find("503 Service Temporarily Unavailable"), std::string::npos);
    const int id = login(s); // only once

    s.fallar(json::array({
        {{"operacion", "ObtenerBloque"},
         {"tipo", "error"},
         {"si", {{"bloque", 1}}},
         {"codigo", "E7"},
         {"texto", "Bloque no disponible"}},
        {{"operacion", "ObtenerBloque"}, {"tipo", "base64Erroneo"}, {"si", {{"bloque", 2}}}},
        {{"operacion", "ObtenerMensaje"}, {"tipo", "500"}},
        {{"operacion", "ObtenerPendientes"}, {"tipo", "cortar"}, {"veces", 1}},
    }));
    const auto error = mensajeDe(pedirBloque(s, id, "N1", 1, 1));
    EXPECT_EQ(error->valor("codigo"), "E7");
    EXPECT_EQ(error->valor("texto"), "Bloque no disponible");
    EXPECT_THROW(MyDecode(mensajeDe(pedirBloque(s, id, "N1", 1, 2))->valor("bytesContenido")),
                 ErrorBase64);
    EXPECT_FALSE(mensajeDe(pedirBloque(s, id, "N1", 1, 0))->tiene("respuestaError"));
    EXPECT_NE(s.publicar("ObtenerMensaje", Peticiones().peticionObtenerMensaje(id, "N1"))
                  .cuerpo.find("500 Internal Server Error"),
              std::string::npos);

    const RespuestaHttps cortada =
        s.publicar("ObtenerPendientes", Peticiones().peticionObtenerPendientes(id));
    EXPECT_NE(cortada.errorCurl, 0);
    EXPECT_EQ(cortada.estado, 0);
    EXPECT_EQ(s.peticiones("ObtenerPendientes").back()["fallo"], "cortar");
    EXPECT_EQ(s.publicar("ObtenerPendientes", Peticiones().peticionObtenerPendientes(id)).estado,
              200);
}

TEST(Simulador, UnaPeticionMalformadaRecibeRespuestaError) {
    Simulador s(datosDePrueba().dump());
    for (const char* cuerpo : {"", "<<<", "<a/>",
                               "<soap:Envelope xmlns:soap=\"x\"><soap:Body>"
                               "<LoginIn>&lt;b/&gt;</LoginIn></soap:Body>"
                               "</soap:Envelope>"}) {
        const auto m = mensajeDe(s.publicar("Login", cuerpo));
        EXPECT_EQ(m->valor("codigo"), "PETICION_MALFORMADA") << cuerpo;
    }
    // The session must be a number; the request element must be the operation's.
    const std::string login = Peticiones().peticionLogin();
    EXPECT_EQ(mensajeDe(s.publicar("Logout", login))->valor("codigo"), "PETICION_MALFORMADA");
    EXPECT_EQ(s.publicar("Inventada", login).estado, 404);
    EXPECT_EQ(mensajeDe(s.publicar("Login", login))->valor("idSesion"), "700");
}

// The control certificate signs like the card's: same authority, S/MIME usage.
std::string mimeFirmado(const TarjetaPrueba& t, const std::string& contenido) {
    BIO* archivo = BIO_new_file(t.certificadoControl().c_str(), "r");
    X509* certificado = PEM_read_bio_X509(archivo, nullptr, nullptr, nullptr);
    BIO_free(archivo);
    archivo = BIO_new_file(t.claveControl().c_str(), "r");
    EVP_PKEY* clave = PEM_read_bio_PrivateKey(archivo, nullptr, nullptr, nullptr);
    BIO_free(archivo);
    BIO* datos = BIO_new_mem_buf(contenido.data(), static_cast<int>(contenido.size()));
    CMS_ContentInfo* cms = CMS_sign(certificado, clave, nullptr, datos, CMS_DETACHED | CMS_STREAM);
    BIO* salida = BIO_new(BIO_s_mem());
    BIO* otraVez = BIO_new_mem_buf(contenido.data(), static_cast<int>(contenido.size()));
    SMIME_write_CMS(salida, cms, otraVez, CMS_DETACHED | CMS_STREAM);
    char* texto = nullptr;
    const long n = BIO_get_mem_data(salida, &texto);
    std::string mime(texto, static_cast<std::size_t>(n));
    for (BIO* b : {datos, salida, otraVez}) {
        BIO_free(b);
    }
    CMS_ContentInfo_free(cms);
    EVP_PKEY_free(clave);
    X509_free(certificado);
    return mime;
}

std::string peticionEnvio(int id) {
    const std::string cuerpo =
        "&lt;solicitudEnvioMensaje&gt;" + sesion(id) +
        "&lt;datos&gt;&lt;asunto&gt;&lt;/asunto&gt; &lt;tipoProcedimiento&gt;&lt;codigo&gt;ORD&lt;/"
        "codigo&gt; &lt;/tipoProcedimiento&gt;&lt;numeroProcedimiento&gt;1/2024&lt;/"
        "numeroProcedimiento&gt; "
        "&lt;/datos&gt;&lt;destinos&gt;&lt;destino&gt;&lt;copia&gt;false&lt;"
        "/copia&gt; &lt;destinatario&gt;&lt;organoJudicial&gt;&lt;codigoPoblacion&gt;28079&lt;/"
        "codigoPoblacion&gt; &lt;tipoOrgano&gt;02&lt;/tipoOrgano&gt; &lt;numeroOrgano&gt;5&lt;/"
        "numeroOrgano&gt; &lt;/organoJudicial&gt;&lt;/destinatario&gt;&lt;/destino&gt;&lt;/"
        "destinos&gt;&lt;adjuntos&gt;&lt;adjunto&gt;&lt;idAdjunto&gt;0&lt;/idAdjunto&gt; "
        "&lt;nombre&gt;escrito.pdf&lt;/nombre&gt; &lt;principal&gt;true&lt;/principal&gt; &lt;/"
        "adjunto&gt;&lt;/adjuntos&gt;&lt;/solicitudEnvioMensaje&gt; ";
    return Peticiones().peticion(Operacion::EnviarMensaje, cuerpo);
}

std::string peticionBloque(int id, int envio, int bloque, bool ultimo, const std::string& bytes) {
    return Peticiones().peticion(
        Operacion::EnviarBloque,
        "&lt;solicitudEnvioBloque&gt;" + sesion(id) + "&lt;idEnvio&gt;" + std::to_string(envio) +
            "&lt;/idEnvio&gt; &lt;idBloqueEnviado&gt;" + std::to_string(bloque) +
            "&lt;/idBloqueEnviado&gt; &lt;esUltimo&gt;" + (ultimo ? "true" : "false") +
            "&lt;/esUltimo&gt; &lt;bytesContenido&gt;" + MyEncode(std::string_view(bytes)) +
            "&lt;/bytesContenido&gt; &lt;/solicitudEnvioBloque&gt; ");
}

// Uploads a message in blocks of 100 bytes; the answer to the last block.
std::unique_ptr<Mensaje> subir(const Simulador& s, int id, const std::string& mime) {
    const auto anuncio = mensajeDe(s.publicar("EnviarMensaje", peticionEnvio(id)));
    EXPECT_EQ(anuncio->valor("tamBloque"), "100");
    EXPECT_FALSE(MyDecode(anuncio->valor("bytesMIME")).empty());
    const int envio = std::stoi(anuncio->valor("idEnvio"));
    const int bloques = static_cast<int>((mime.size() + 99) / 100);
    std::unique_ptr<Mensaje> ultima;
    for (int b = 1; b <= bloques; ++b) {
        ultima =
            mensajeDe(s.publicar("EnviarBloque", peticionBloque(id, envio, b, b == bloques,
                                                                mime.substr((b - 1) * 100, 100))));
        if (b < bloques) {
            EXPECT_EQ(ultima->valor("idBloqueConsolidado"), std::to_string(b));
        }
    }
    return ultima;
}

TEST(Simulador, UnEnvioFirmadoRecibeAcuseYUnoAlteradoSeRechaza) {
    Simulador s(datosDePrueba().dump());
    const int id = login(s);
    const std::string mime = mimeFirmado(TarjetaPrueba::comun(),
                                         "Content-Type: text/plain\r\n\r\nEscrito de prueba\r\n");
    const auto acuse = subir(s, id, mime);
    EXPECT_EQ(acuse->valor("idAcuse"), "ACUSE-5001");
    EXPECT_EQ(acuse->valor("fechaIngreso"), "2024-05-03T10:11:12.345+02:00");
    EXPECT_EQ(leerArchivo(s.carpetaEnvios() / "5001.eml"), mime);
    const json resumen = json::parse(leerArchivo(s.carpetaEnvios() / "5001.json"));
    EXPECT_TRUE(resumen["firma"]["valida"]);
    EXPECT_TRUE(resumen["firma"]["delTitular"]);

    std::string alterado = mime;
    alterado.replace(alterado.find("Escrito de prueba"), 7, "ESCRITO");
    const auto rechazo = subir(s, id, alterado);
    EXPECT_EQ(rechazo->valor("codigo"), "FIRMA_NO_VALIDA");
    EXPECT_FALSE(rechazo->tiene("idAcuse"));
    EXPECT_FALSE(json::parse(leerArchivo(s.carpetaEnvios() / "5002.json"))["firma"]["valida"]);
}

TEST(Simulador, LosBloquesDeUnEnvioVanEnOrdenYEnteros) {
    Simulador s(datosDePrueba().dump());
    const int id = login(s);
    const int envio =
        std::stoi(mensajeDe(s.publicar("EnviarMensaje", peticionEnvio(id)))->valor("idEnvio"));
    const std::string cien(100, 'a');
    const auto enviar = [&](int bloque, bool ultimo, const std::string& bytes) {
        return mensajeDe(
            s.publicar("EnviarBloque", peticionBloque(id, envio, bloque, ultimo, bytes)));
    };
    EXPECT_EQ(enviar(2, false, cien)->valor("codigo"), "SECUENCIA_BLOQUES");
    EXPECT_EQ(enviar(1, false, "corto")->valor("codigo"), "TAMANO_BLOQUE");
    EXPECT_EQ(enviar(1, false, cien)->valor("idBloqueConsolidado"), "1");
    EXPECT_EQ(enviar(1, false, cien)->valor("codigo"), "SECUENCIA_BLOQUES");
    // An unsigned message is refused, and the send is over.
    EXPECT_EQ(enviar(2, true, "fin")->valor("codigo"), "FIRMA_NO_VALIDA");
    EXPECT_EQ(enviar(3, true, "fin")->valor("codigo"), "ENVIO_CERRADO");
    EXPECT_EQ(leerArchivo(s.carpetaEnvios() / (std::to_string(envio) + ".eml")), cien + "fin");
}

} // namespace
