#include "common/Transporte.h"

#include "common/Peticiones.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <openssl/pem.h>

namespace {

// The answer limit holds whether the server announces the length or only closes the
// connection after the body.
TEST(TransporteTest, RespuestaMayorQueElLimiteNoSeRecibe) {
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    Simulador sim(R"({"primeraSesion": 7, "notificaciones": []})");
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

    for (const bool conLargo : {true, false}) {
        SCOPED_TRACE(conLargo);
        sim.fallar(conLargo ? nlohmann::json::array()
                            : nlohmann::json{
                                  {{"operacion", "Login"}, {"tipo", "largoFalso"}, {"largo", ""}}});
        OpcionesEnvio opciones;
        opciones.autoridadServidor = tarjeta.ca().string();
        const Envio completo = enviarPeticion(sim.url() + "Login", login, " ", identidad, opciones);
        ASSERT_EQ(completo.resultado, ResultadoEnvio::Correcto) << completo.descripcion;
        ASSERT_GT(completo.respuesta.size(), 100u);

        opciones.maximoRespuesta = completo.respuesta.size() - 1;
        const Envio cortado = enviarPeticion(sim.url() + "Login", login, " ", identidad, opciones);
        EXPECT_EQ(cortado.resultado, ResultadoEnvio::OtroError);
        EXPECT_EQ(cortado.codigo, 63) << cortado.descripcion;
        EXPECT_TRUE(cortado.respuesta.empty());
    }
}

} // namespace
