#include "protocol/ClienteLexnet.h"

#include "core/Interaccion.h"
#include "platform/Sistema.h"
#include "protocol/Certificados.h"
#include "protocol/Transporte.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/ProcesoHijo_posix.h"
#include "tests/support/ServidorTlsCrudo_posix.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <regex>

namespace {

// The simulator over HTTPS on 127.0.0.1, the client authenticated by the soft card's key.
class ClienteLexnetTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InteraccionGuionada ui;
    Ajustes g;
    std::unique_ptr<Simulador> sim;
    std::unique_ptr<AlmacenTarjeta> almacen;
    std::unique_ptr<ClienteLexnet> cliente;

    void SetUp() override { arrancar(OpcionesSimulador{}); }

    void arrancar(OpcionesSimulador opciones) {
        opciones.datos = R"({"primeraSesion": 4321, "notificaciones": []})";
        sim = std::make_unique<Simulador>(opciones);
        sim->apuntar(g);
        cliente = std::make_unique<ClienteLexnet>(g, ui);
        almacen.reset(); // one open session of the card library at a time
        almacen = SeleccionaCertificado(g, ui);
        cliente->usarCertificado(*almacen, 0);
        ui.pines = {TarjetaPrueba::pin()};
    }
    std::size_t peticiones(const char* operacion) const {
        return sim->peticiones(operacion).size();
    }
};

TEST(Certificados, TarjetaSinCertificadosTerminaConSuMensaje) {
    InteraccionGuionada ui;
    Ajustes g;
    // A card of its own, with no certificate.
    (void)TarjetaPrueba::comun(); // sets SOFTHSM2_CONF
    CarpetaTemporal vacia;
    std::filesystem::create_directory(vacia / "tokens");
    escribirArchivo(vacia / "softhsm2.conf",
                    "directories.tokendir = " + (vacia / "tokens").string() + "\n");
    const std::string anterior = std::getenv("SOFTHSM2_CONF");
    fijarVariableEntorno("SOFTHSM2_CONF", (vacia / "softhsm2.conf").string());
    ASSERT_EQ(std::system("softhsm2-util --init-token --free --label Vacia --pin 1234 "
                          "--so-pin 12345678 >/dev/null 2>&1"),
              0);
    g.ModuloPKCS11 = TarjetaPrueba::modulo();
    EXPECT_THROW(SeleccionaCertificado(g, ui), FinPrograma);
    fijarVariableEntorno("SOFTHSM2_CONF", anterior);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto,
              "No se han detectado certificados en la tarjeta criptográfica, o ésta no está "
              "en el lector de tarjetas. No se puede continuar");
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención");
}

// The wider store reaches the card through the system's proxy of every registered module.
TEST(Certificados, EmularVistaLeeLaTarjetaPorElModuloDeTodas) {
    InteraccionGuionada ui;
    Ajustes g;
    (void)TarjetaPrueba::comun(); // sets SOFTHSM2_CONF
    g.EmularVista = true;
    g.ModuloPKCS11 = "/no/existe.so";
    const auto almacen = SeleccionaCertificado(g, ui);
    ASSERT_EQ(almacen->certificados().size(), 1u);
    EXPECT_EQ(almacen->certificados()[0].token, TarjetaPrueba::etiqueta());
}

// The card's certificate as listed; one PIN request per run; a needless login or logout only tells.
TEST_F(ClienteLexnetTest, LoginYLogoutConLaClaveDeLaTarjeta) {
    const CertificadoTarjeta& c = almacen->certificados().at(0);
    EXPECT_EQ(c.emisor, "Autoridad de Pruebas LexNET");
    EXPECT_TRUE(std::regex_match(c.validoHasta, std::regex(R"(\d\d/\d\d/\d{4})")));
    EXPECT_EQ(c.validoDesde.substr(6), std::to_string(horaLocal().tm_year + 1900));
    EXPECT_EQ(c.token, TarjetaPrueba::etiqueta());
    cliente->Logout();
    EXPECT_EQ(ui.mensajes.at(0).texto, "No hay sesion establecida !!!");
    cliente->EnviarComando(cliente->peticiones().peticionLogin(), " ", "LOGIN");
    EXPECT_EQ(cliente->estado.idSesion, 4321);
    cliente->Login();
    EXPECT_EQ(ui.mensajes.back().texto, "Ya estás conectado al servidor");
    EXPECT_EQ(ui.sesiones, std::vector<std::string>{"4321"});
    const auto login = sim->peticiones("Login");
    ASSERT_EQ(login.size(), 1u);
    EXPECT_EQ(login[0]["certificado"], TarjetaPrueba::sujetoUsuario());
    EXPECT_EQ(login[0]["tls"], "TLSv1.3"); // the soft card signs RSA-PSS

    cliente->usarCertificado(*almacen, 0); // a certificate chosen again opens a new connection
    cliente->Logout();
    EXPECT_EQ(cliente->estado.idSesion, 0);
    EXPECT_EQ(ui.sesiones.back(), "< sin conexión >");
    ASSERT_EQ(peticiones("Logout"), 1u);
    EXPECT_NE(sim->peticiones("Logout")[0]["conexion"], login[0]["conexion"]);
    EXPECT_EQ(ui.tarjetasPin, std::vector<std::string>{TarjetaPrueba::etiqueta()});
}

// TLS 1.3 takes only RSA-PSS from an RSA key; a card that signs PKCS#1 v1.5 alone (no PSS, no
// raw RSA to build it from) still logs in, over TLS 1.2.
TEST_F(ClienteLexnetTest, TarjetaSinRsaPssEntraPorTls12) {
    cliente.reset();
    almacen.reset();
    // The library skips the first name of a "-" list, hence the first one twice.
    const TarjetaPropia sinPss(
        "slots.mechanisms = -CKM_RSA_PKCS_PSS,CKM_RSA_PKCS_PSS,CKM_SHA1_RSA_PKCS_PSS,"
        "CKM_SHA224_RSA_PKCS_PSS,CKM_SHA256_RSA_PKCS_PSS,CKM_SHA384_RSA_PKCS_PSS,"
        "CKM_SHA512_RSA_PKCS_PSS,CKM_RSA_X_509\n");
    cliente = std::make_unique<ClienteLexnet>(g, ui);
    almacen = SeleccionaCertificado(g, ui);
    cliente->usarCertificado(*almacen, 0);
    cliente->Login();
    EXPECT_TRUE(ui.mensajes.empty()) << ui.mensajes.at(0).texto;
    EXPECT_EQ(cliente->estado.idSesion, 4321);
    ASSERT_EQ(peticiones("Login"), 1u);
    EXPECT_EQ(sim->peticiones("Login")[0]["tls"], "TLSv1.2");
}

// The store is read afresh: another card put in is listed, and the certificate in use is
// taken again from the new store, so the session left open still logs out with it.
TEST_F(ClienteLexnetTest, TarjetaReleidaMuestraLaNuevaYSigueConLaElegida) {
    cliente.reset();
    almacen.reset();
    const TarjetaPropia propia;
    cliente = std::make_unique<ClienteLexnet>(g, ui);
    ReleerCertificados(almacen, *cliente, g, ui);
    cliente->usarCertificado(*almacen, 0);
    cliente->Login();
    ASSERT_EQ(cliente->estado.idSesion, 4321);
    propia.anadirTarjeta("Otra");
    ReleerCertificados(almacen, *cliente, g, ui);
    ASSERT_EQ(almacen->certificados().size(), 2u);
    ui.pines = {TarjetaPrueba::pin()}; // a new store logs in to the card again
    cliente->Logout();
    EXPECT_TRUE(ui.mensajes.empty()) << ui.mensajes.at(0).texto;
    EXPECT_EQ(cliente->estado.idSesion, 0);
    ASSERT_EQ(peticiones("Logout"), 1u);
    EXPECT_EQ(sim->peticiones("Logout")[0]["certificado"], TarjetaPrueba::sujetoUsuario());
}

// The request as sent: a raw TLS listener keeps the empty SOAPAction HTTP parsers drop.
TEST_F(ClienteLexnetTest, CabecerasYSoapActionComoLasEsperaLexnet) {
    ServidorTlsCrudo crudo(tarjeta.certificadoServidor(), tarjeta.claveServidor(), tarjeta.ca(),
                           "<x/>");
    g.URLServicio = "https://127.0.0.1:" + std::to_string(crudo.puerto()) + "/services/";
    const std::string peticion = cliente->peticiones().peticionLogin();
    const Intercambio r = cliente->EnviarComando(peticion, " ", "Login");
    const std::string recibida = crudo.peticion();
    EXPECT_EQ(recibida.rfind("POST /services/Login HTTP/1.1\r\n", 0), 0u) << recibida;
    EXPECT_NE(recibida.find("\r\nUser-Agent: http_requester/0.1\r\n"), std::string::npos);
    EXPECT_NE(recibida.find("\r\nContent-Type: text/xml; charset=utf-8\r\nConnection: "
                            "Keep-Alive\r\nSOAPAction:\r\n"),
              std::string::npos)
        << recibida;
    EXPECT_EQ(recibida.substr(recibida.find("\r\n\r\n") + 4), peticion);
    EXPECT_EQ(r, Intercambio::Hecho);
}

// A lost connection is retried (same request) while the user says so; cancelling is an error.
TEST_F(ClienteLexnetTest, ConexionPerdidaReintentadaOCancelada) {
    sim->fallar({{{"operacion", "Login"}, {"tipo", "cortar"}, {"veces", 3}}});
    ui.respuestas = {Respuesta::Reintentar, Respuesta::Reintentar, Respuesta::Cancelar};
    EXPECT_EQ(cliente->EnviarComando(cliente->peticiones().peticionLogin(), " ", "Login"),
              Intercambio::LineaCaida);
    EXPECT_EQ(cliente->estado.idSesion, 0);
    ASSERT_EQ(ui.mensajes.size(), 3u);
    EXPECT_EQ(ui.mensajes[0].texto,
              "Se ha perdido la conexión con el servidor de LexNet.\r\nSi desea reintentar la "
              "petición a LexNet pulse Aceptar, en caso contrario haga clic en Cancelar.");
    EXPECT_EQ(ui.mensajes[0].botones, Botones::ReintentarCancelar);
    const auto cuerpos = sim->peticiones("Login");
    ASSERT_EQ(cuerpos.size(), 3u);
    EXPECT_EQ(cuerpos[0]["cuerpo"], cuerpos[2]["cuerpo"]);
}

TEST_F(ClienteLexnetTest, ServidorDeAutoridadDesconocidaRechazado) {
    OpcionesSimulador o;
    o.certificado = tarjeta.certificadoServidorAjeno();
    o.clave = tarjeta.claveServidorAjena();
    arrancar(o);
    EXPECT_EQ(cliente->EnviarComando(cliente->peticiones().peticionLogin(), " ", "Login"),
              Intercambio::Fallido);
    EXPECT_EQ(cliente->estado.idSesion, 0);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_NE(ui.mensajes[0].texto.find("certificate"), std::string::npos) << ui.mensajes[0].texto;
    EXPECT_TRUE(sim->peticiones().empty());
}

// A redirected request may only go to the same server and port.
TEST_F(ClienteLexnetTest, RedireccionSoloAlMismoServidorYPuerto) {
    const std::pair<std::string, bool> casos[] = {
        {"/services/Login", true},
        {"https://localhost:" + std::to_string(sim->puerto()) + "/services/Login", false},
        {"https://127.0.0.1:1/services/Login", false}};
    std::size_t enviadas = 0;
    for (const auto& [destino, seguida] : casos) {
        SCOPED_TRACE(destino);
        ui.mensajes.clear();
        sim->fallar(
            {{{"operacion", "Login"}, {"tipo", "redirigir"}, {"destino", destino}, {"veces", 1}}});
        const Intercambio r =
            cliente->EnviarComando(cliente->peticiones().peticionLogin(), " ", "Login");
        enviadas += seguida ? 2 : 1;
        EXPECT_EQ(peticiones("Login"), enviadas);
        EXPECT_EQ(r, seguida ? Intercambio::Hecho : Intercambio::Fallido);
        EXPECT_NE(cliente->estado.idSesion, 0); // from the first, followed one
        ASSERT_EQ(ui.mensajes.size(), seguida ? 0u : 1u);
        if (!seguida) {
            EXPECT_EQ(ui.mensajes[0].texto,
                      "Se ha producido el error 47\r\nRedirección a otro servidor rechazada: " +
                          destino);
        }
    }
}

// The logout also runs at shutdown, so a server that never answers must not hold it.
TEST_F(ClienteLexnetTest, LogoutAnteUnServidorMudoFallaConElTiempo) {
    cliente->Login();
    sim->fallar({{{"operacion", "Logout"}, {"tipo", "esperar"}, {"segundos", 60}}});
    cliente->Logout();
    EXPECT_EQ(cliente->estado.idSesion, 4321);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto.rfind("Se ha producido el error 28 - ", 0), 0u)
        << ui.mensajes[0].texto;
}

// An answer over the limit fails, with a true, false or no length announced (none reserved).
TEST_F(ClienteLexnetTest, RespuestaMayorQueElLimiteNoSeRecibe) {
    const auto leer = [](const std::filesystem::path& archivo, auto lector) {
        std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(archivo.c_str(), "r"), std::fclose);
        return f ? lector(f.get(), nullptr, nullptr, nullptr) : nullptr;
    };
    std::unique_ptr<X509, void (*)(X509*)> certificado(
        leer(tarjeta.certificadoControl(), PEM_read_X509), X509_free);
    std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)> clave(
        leer(tarjeta.claveControl(), PEM_read_PrivateKey), EVP_PKEY_free);
    ASSERT_TRUE(certificado && clave);
    const IdentidadTls identidad{certificado.get(), clave.get()};
    const std::string login = Peticiones().peticionLogin();
    OpcionesEnvio opciones;
    opciones.autoridadServidor = tarjeta.ca().string();
    const Envio completo =
        ConexionHttps().enviar(sim->url() + "Login", login, " ", identidad, opciones);
    ASSERT_EQ(completo.resultado, ResultadoEnvio::Correcto) << completo.descripcion;
    ASSERT_GT(completo.respuesta.size(), 100u);

    opciones.maximoRespuesta = completo.respuesta.size() - 1;
    // The true length, none, and a false one.
    const auto falso = [](const char* largo) {
        return nlohmann::json{{{"operacion", "Login"}, {"tipo", "largoFalso"}, {"largo", largo}}};
    };
    for (const auto& fallo : {nlohmann::json::array(), falso(""), falso("9223372036854775807")}) {
        SCOPED_TRACE(fallo.dump());
        sim->fallar(fallo);
        const Envio cortado =
            ConexionHttps().enviar(sim->url() + "Login", login, " ", identidad, opciones);
        EXPECT_EQ(cortado.resultado, ResultadoEnvio::OtroError);
        EXPECT_EQ(cortado.codigo, 63) << cortado.descripcion;
        EXPECT_TRUE(cortado.respuesta.empty());
    }
}

} // namespace
