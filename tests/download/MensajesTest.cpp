#include "download/Mensajes.h"

#include "common/ArbolRespuesta.h"
#include "common/BaseDatos.h"
#include "common/Esquema.h"
#include "tests/support/CarpetaTemporal.h"

#include <gtest/gtest.h>

namespace {

std::string e(const std::string& nombre, const std::string& contenido) {
    return "<" + nombre + ">" + contenido + "</" + nombre + ">";
}

std::string adjunto(const std::string& id, const std::string& nombre, const char* principal) {
    return e("adjunto", e("idAdjunto", id) + e("nombre", nombre) + e("principal", principal));
}

std::string mensaje(const std::string& adjuntos,
                    const std::string& cola = e("firmantes", "") + e("tamBloque", "4096")) {
    return "<mensajeWS xmlns=\"urn:lexnet\">" +
           e("respuestaGetMensaje",
             e("mensaje", e("id", "N1") +
                              e("datos", e("asunto", "A") + e("numeroProcedimiento", "12/2024")) +
                              e("adjuntos", adjuntos) + cola)) +
           "</mensajeWS>";
}

class MensajesTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    BaseDatos db = [this] {
        crearPlantilla(carpeta / "bd.mdb");
        return BaseDatos::abrir(carpeta / "bd.mdb");
    }();
    ArbolRespuesta vista;

    int grabar(const std::string& xml, const std::string& id = "N1") {
        vista.CargarTreeview(xml);
        return GrabarAdjuntos(vista, db, id);
    }
    std::vector<Fila> filas() {
        std::vector<Fila> r;
        Sentencia s = db.preparar("SELECT * FROM Adjuntos ORDER BY IdAdjunto");
        while (s.paso()) {
            r.push_back(s.fila());
        }
        return r;
    }
};

// One incomplete row per attachment, whether its fields sit inside the element or follow an
// empty one; the last needs no signers nor block size after it.
TEST_F(MensajesTest, TresAdjuntosTresFilasIncompletas) {
    const std::string plano =
        "<adjunto/>" + e("idAdjunto", "3") + e("nombre", "Otro.rtf") + e("principal", "false");
    EXPECT_EQ(grabar(mensaje(adjunto("1", "Cedula.pdf", "true") +
                             adjunto("2", "Anexo.pdf", "false") + plano)),
              3);
    EXPECT_EQ(grabar(mensaje(adjunto("1", "a.pdf", "true"), ""), "N2"), 1);
    const std::vector<Fila> f = filas();
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0].valores(),
              (std::vector<Valor>{Valor("N1"), Valor(1), Valor("Cedula.pdf"), Valor(1), Valor(4096),
                                  Valor(" "), Valor(0), Valor("12/2024"), Valor(1), Valor()}));
    EXPECT_FALSE(f[1]["Principal"].logico());
    EXPECT_EQ(f[2]["Nombre"].texto(), "Otro.rtf");
    EXPECT_EQ(f[2]["IdOrdenAdjunto"].entero(), 3);
    EXPECT_TRUE(f[3]["TamBloque"].esNulo());
    EXPECT_EQ(grabar(mensaje("")) + grabar("no es XML"), 0);
}

TEST_F(MensajesTest, RepetidoNoAnadeNiCambiaNada) {
    const std::string xml = mensaje(adjunto("1", "a.pdf", "true") + adjunto("2", "b.pdf", "false"));
    grabar(xml);
    db.ejecutar(
        "UPDATE Adjuntos SET Completo = 1, NombreQuarel = 'x.pdf' WHERE IdOrdenAdjunto = 1");
    EXPECT_EQ(grabar(xml), 0);
    const std::vector<Fila> f = filas();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0]["NombreQuarel"].texto(), "x.pdf");
}

TEST_F(MensajesTest, NumeroNoValidoTerminaElMensajeConservandoLoAnterior) {
    EXPECT_EQ(grabar(mensaje(adjunto("1", "a.pdf", "true") + adjunto("dos", "b.pdf", "false") +
                             adjunto("3", "c.pdf", "false"))),
              1);
    EXPECT_EQ(filas().size(), 1u);
    EXPECT_FALSE(db.enTransaccion());
}

} // namespace
