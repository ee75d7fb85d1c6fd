#include "common/ClienteLexnet.h"

#include "common/Certificados.h"
#include "common/Interaccion.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/ServidorTlsCrudo.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kPinIncorrecto =
    "No se puede continuar el proceso. El pasword introducido NO es correcto.";

// A LexNET exchange for real: the simulator over HTTPS on 127.0.0.1, the client
// authenticated by the key on the soft card.
class ClienteLexnetTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InteraccionGuionada ui;
    General g;
    std::unique_ptr<Simulador> sim;
    std::unique_ptr<AlmacenTarjeta> almacen;
    std::unique_ptr<ClienteLexnet> cliente;

    void SetUp() override { arrancar(OpcionesSimulador{}); }

    void arrancar(OpcionesSimulador opciones, Programa programa = Programa::Ambrel) {
        if (opciones.datos.empty() && opciones.archivoDatos.empty()) {
            opciones.datos = R"({"primeraSesion": 4321, "notificaciones": [
                {"id": "1", "documentos": [{"nombre": "a.pdf", "texto": "hola"}]}]})";
        }
        sim = std::make_unique<Simulador>(opciones);
        g.programa = programa;
        g.URLServicio = sim->url();
        g.CAServidor = tarjeta.ca().string();
        g.ModuloPKCS11 = TarjetaPrueba::modulo();
        cliente = std::make_unique<ClienteLexnet>(g, ui);
    }
    void elegirCertificado() {
        almacen = SeleccionaCertificado(g, ui);
        cliente->usarCertificado(*almacen, 0);
    }
    std::size_t peticiones(const char* operacion) const {
        return sim->peticiones(operacion).size();
    }
};

// The PIN is asked once for the whole run; the service name is matched without regard to case;
// a second login or a logout without a session only tells.
TEST_F(ClienteLexnetTest, LoginYLogoutConLaClaveDeLaTarjeta) {
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    cliente->Logout();
    EXPECT_EQ(ui.mensajes.at(0).texto, "No hay sesion establecida !!!");
    EXPECT_EQ(ui.mensajes.at(0).titulo, "Desconexión");
    cliente->EnviarComando(cliente->peticiones().peticionLogin(), " ", "LOGIN");
    EXPECT_EQ(cliente->estado.idSesion, 4321);
    cliente->Login();
    EXPECT_EQ(ui.mensajes.back().texto, "Ya estás conectado al servidor");
    EXPECT_EQ(ui.sesiones, std::vector<std::string>{"4321"});
    EXPECT_EQ(ui.tarjetasPin, std::vector<std::string>{TarjetaPrueba::etiqueta()});
    const auto login = sim->peticiones("Login");
    ASSERT_EQ(login.size(), 1u);
    EXPECT_EQ(login[0]["certificado"], TarjetaPrueba::sujetoUsuario());

    cliente->Logout();
    EXPECT_EQ(cliente->estado.idSesion, 0);
    EXPECT_EQ(ui.sesiones.back(), "< sin conexión >");
    EXPECT_EQ(peticiones("Logout"), 1u);
    EXPECT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.tarjetasPin.size(), 1u);
}

// The request as it goes over the wire: the HTTP libraries drop an empty SOAPAction
// when they parse, so a raw TLS listener keeps what came.
TEST_F(ClienteLexnetTest, CabecerasYSoapActionComoLasEsperaLexnet) {
    ServidorTlsCrudo crudo(tarjeta.certificadoServidor(), tarjeta.claveServidor(), tarjeta.ca(),
                           "<x/>");
    g.URLServicio = "https://127.0.0.1:" + std::to_string(crudo.puerto()) + "/services/";
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    const std::string peticion = cliente->peticiones().peticionLogin();
    cliente->EnviarComando(peticion, " ", "Login");
    const std::string recibida = crudo.peticion();
    EXPECT_EQ(recibida.rfind("POST /services/Login HTTP/1.1\r\n", 0), 0u) << recibida;
    EXPECT_NE(recibida.find("\r\nUser-Agent: http_requester/0.1\r\n"), std::string::npos);
    EXPECT_NE(recibida.find("\r\nContent-Type: text/xml; charset=utf-8\r\nConnection: "
                            "Keep-Alive\r\nSOAPAction:\r\n"),
              std::string::npos)
        << recibida;
    EXPECT_EQ(recibida.substr(recibida.find("\r\n\r\n") + 4), peticion);
    EXPECT_FALSE(cliente->ErrorComunicacion);
}

// A wrong or cancelled PIN is one message and no request.
TEST_F(ClienteLexnetTest, PinIncorrectoUnMensajeYNingunIntento) {
    for (const std::optional<std::string>& pin :
         {std::optional<std::string>("0000"), std::optional<std::string>()}) {
        ui.mensajes.clear();
        ui.pines = {pin};
        cliente = std::make_unique<ClienteLexnet>(g, ui);
        elegirCertificado();
        cliente->Login();
        EXPECT_EQ(cliente->estado.idSesion, 0);
        EXPECT_FALSE(cliente->ErrorComunicacion);
        ASSERT_EQ(ui.mensajes.size(), 1u);
        EXPECT_EQ(ui.mensajes[0].texto, kPinIncorrecto);
        EXPECT_EQ(ui.mensajes[0].titulo, "Atención:");
        EXPECT_EQ(ui.mensajes[0].icono, Icono::Critico);
        EXPECT_EQ(peticiones("Login"), 0u);
    }
}

// Lost connections: retried while the user says so (the same request each time), marked
// as an error when cancelled, and retried without asking only up to the limit.
TEST_F(ClienteLexnetTest, ConexionPerdidaReintentadaOCancelada) {
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    sim->fallar({{{"operacion", "Login"}, {"tipo", "cortar"}, {"veces", 3}}});
    ui.respuestas = {Respuesta::Reintentar, Respuesta::Reintentar, Respuesta::Cancelar};
    cliente->Login();
    EXPECT_TRUE(cliente->ErrorComunicacion);
    EXPECT_EQ(cliente->estado.idSesion, 0);
    ASSERT_EQ(ui.mensajes.size(), 3u);
    EXPECT_EQ(ui.mensajes[0].texto,
              "Se ha perdido la conexión con el servidor de LexNet.\r\nSi desea reintentar la "
              "petición a LexNet pulse Aceptar, en caso contrario haga clic en Cancelar.");
    EXPECT_EQ(ui.mensajes[0].botones, Botones::ReintentarCancelar);
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Pregunta);
    const auto cuerpos = sim->peticiones("Login");
    ASSERT_EQ(cuerpos.size(), 3u);
    EXPECT_EQ(cuerpos[0]["cuerpo"], cuerpos[2]["cuerpo"]);

    cliente->ErrorComunicacion = false;
    cliente->reintentosSinPreguntar = 1;
    sim->fallar({{{"operacion", "Login"}, {"tipo", "cortar"}, {"veces", 5}}});
    cliente->Login();
    EXPECT_TRUE(cliente->ErrorComunicacion);
    EXPECT_EQ(peticiones("Login"), 5u);
    EXPECT_EQ(ui.mensajes.size(), 3u);
}

TEST_F(ClienteLexnetTest, ErrorDeLexnetTerminaSalvoEnLasExcepciones) {
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    cliente->Login();
    const auto p = cliente->peticiones();
    sim->fallar({{{"operacion", "ObtenerMensaje"},
                  {"tipo", "error"},
                  {"codigo", "E7"},
                  {"texto", "No disponible"}},
                 {{"operacion", "ObtenerPendientes"}, {"tipo", "error"}, {"codigo", "E8"}},
                 {{"operacion", "ObtenerCabeceras"}, {"tipo", "503"}}});
    cliente->IdLexNetActual = "1";
    cliente->EnviarComando(p.peticionObtenerMensaje(cliente->estado.idSesion, "1"), " ",
                           "ObtenerMensaje");
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].titulo, "Control de erorres");
    EXPECT_NE(ui.mensajes[0].texto.find("Código : E7\r\nTexto : No disponible"), std::string::npos);
    EXPECT_NE(ui.mensajes[0].texto.find("Identificador LexNEt : 1\r\n"), std::string::npos);
    try {
        cliente->EnviarComando(p.peticionObtenerPendientes(cliente->estado.idSesion), " ",
                               "ObtenerPendientes");
        FAIL() << "el programa debía terminar";
    } catch (const FinPrograma& fin) {
        EXPECT_TRUE(fin.conCierre);
    }
    try {
        cliente->EnviarComando(
            p.peticionObtenerCabeceras(cliente->estado.idSesion, "", "", false, false), " ",
            "ObtenerCabeceras");
        FAIL() << "el programa debía terminar";
    } catch (const FinPrograma& fin) {
        EXPECT_FALSE(fin.conCierre);
    }
    EXPECT_EQ(ui.mensajes.back().texto,
              "SERVICIO TEMPORALMENTE NO DISPONIBLE. PRUEBE MAS TARDE !!!");
}

TEST_F(ClienteLexnetTest, ServicioQueEsteProgramaNoTieneNoEnviaNada) {
    elegirCertificado();
    cliente->EnviarComando("<x/>", " ", "EnviarMensaje");
    EXPECT_TRUE(cliente->ErrorComunicacion);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto.rfind("Se ha producido el error ", 0), 0u);
    EXPECT_TRUE(sim->peticiones().empty());
    EXPECT_TRUE(ui.tarjetasPin.empty());
}

TEST_F(ClienteLexnetTest, ServidorDeAutoridadDesconocidaRechazado) {
    OpcionesSimulador o;
    o.certificado = tarjeta.certificadoServidorAjeno();
    o.clave = tarjeta.claveServidorAjena();
    arrancar(o);
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    cliente->Login();
    EXPECT_TRUE(cliente->ErrorComunicacion);
    EXPECT_EQ(cliente->estado.idSesion, 0);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_NE(ui.mensajes[0].texto.find("certificate"), std::string::npos) << ui.mensajes[0].texto;
    EXPECT_TRUE(sim->peticiones().empty());
}

// Under TLS 1.3 the server checks the client certificate after the handshake, so its
// refusal reaches the client either as the alert or as a connection closed on it.
TEST_F(ClienteLexnetTest, SinElCertificadoDeLaTarjetaElServidorRechaza) {
    ui.respuestas = {Respuesta::Cancelar};
    cliente->Login();
    EXPECT_EQ(cliente->estado.idSesion, 0);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    const std::string& texto = ui.mensajes[0].texto;
    EXPECT_TRUE(texto == kPinIncorrecto ||
                texto.rfind("Se ha perdido la conexión con el servidor de LexNet.", 0) == 0)
        << texto;
    EXPECT_TRUE(sim->peticiones().empty());
}

// A Content-Length beyond the answer limit, true or not, fails the exchange without the
// memory it claims being reserved.
TEST_F(ClienteLexnetTest, RespuestaDemasiadoLargaEsUnFalloDelTransporte) {
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    for (const char* largo : {"9223372036854775807", "300000000"}) {
        SCOPED_TRACE(largo);
        ui.mensajes.clear();
        sim->fallar(
            {{{"operacion", "Login"}, {"tipo", "largoFalso"}, {"largo", largo}, {"veces", 1}}});
        cliente->Login();
        EXPECT_TRUE(cliente->ErrorComunicacion);
        EXPECT_EQ(cliente->estado.idSesion, 0);
        ASSERT_EQ(ui.mensajes.size(), 1u);
        EXPECT_EQ(ui.mensajes[0].texto.rfind("Se ha producido el error 63\r\n", 0), 0u)
            << ui.mensajes[0].texto;
    }
    EXPECT_EQ(peticiones("Login"), 2u);
}

// Only the server the card's certificate and the session were meant for may take a
// redirected request.
TEST_F(ClienteLexnetTest, RedireccionSoloAlMismoServidorYPuerto) {
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    const std::string ajena = "https://localhost:" + std::to_string(sim->puerto()) + "/services/";
    const struct {
        std::string destino;
        bool seguida;
    } casos[] = {{"/services/Login", true},
                 {ajena + "Login", false},
                 {"https://127.0.0.1:1/services/Login", false}};
    std::size_t enviadas = 0;
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.destino);
        ui.mensajes.clear();
        sim->fallar({{{"operacion", "Login"},
                      {"tipo", "redirigir"},
                      {"destino", caso.destino},
                      {"veces", 1}}});
        cliente->EnviarComando(cliente->peticiones().peticionLogin(), " ", "Login");
        enviadas += caso.seguida ? 2 : 1;
        EXPECT_EQ(peticiones("Login"), enviadas);
        EXPECT_EQ(cliente->ErrorComunicacion, !caso.seguida);
        if (caso.seguida) {
            EXPECT_TRUE(ui.mensajes.empty());
            EXPECT_NE(cliente->estado.idSesion, 0);
        } else {
            ASSERT_EQ(ui.mensajes.size(), 1u);
            EXPECT_EQ(ui.mensajes[0].texto, "Se ha producido el error 47\r\nRedirección a otro "
                                            "servidor rechazada: " +
                                                caso.destino);
        }
    }
}

// The logout also runs at shutdown, so a server that never answers must not hold it.
TEST_F(ClienteLexnetTest, LogoutAnteUnServidorMudoFallaConElTiempo) {
    ui.pines = {TarjetaPrueba::pin()};
    elegirCertificado();
    cliente->Login();
    sim->fallar({{{"operacion", "Logout"}, {"tipo", "esperar"}, {"segundos", 60}}});
    cliente->Logout();
    EXPECT_EQ(cliente->estado.idSesion, 4321);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto.rfind("Se ha producido el error 28 - ", 0), 0u)
        << ui.mensajes[0].texto;
}

} // namespace
