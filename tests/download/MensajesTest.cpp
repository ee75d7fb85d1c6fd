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

TEST_F(MensajesTest, TresAdjuntosTresFilasIncompletas) {
    EXPECT_EQ(
        grabar(mensaje(adjunto("1", "Cedula.pdf", "true") + adjunto("2", "Anexo.pdf", "false") +
                       adjunto("3", "Otro.rtf", "false"))),
        3);
    const std::vector<Fila> f = filas();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0]["IdLexNet"].texto(), "N1");
    EXPECT_EQ(f[0]["IdOrdenAdjunto"].entero(), 1);
    EXPECT_EQ(f[0]["Nombre"].texto(), "Cedula.pdf");
    EXPECT_TRUE(f[0]["Principal"].logico());
    EXPECT_EQ(f[0]["TamBloque"].entero(), 4096);
    EXPECT_EQ(f[0]["DatosAdjunto"].texto(), " ");
    EXPECT_FALSE(f[0]["Completo"].logico());
    EXPECT_EQ(f[0]["NumeroProcedimiento"].texto(), "12/2024");
    EXPECT_TRUE(f[0]["NombreQuarel"].esNulo());
    EXPECT_FALSE(f[1]["Principal"].logico());
    EXPECT_EQ(f[2]["Nombre"].texto(), "Otro.rtf");
}

TEST_F(MensajesTest, RepetidoNoAnadeNiCambiaNada) {
    const std::string xml = mensaje(adjunto("1", "a.pdf", "true") + adjunto("2", "b.pdf", "false"));
    grabar(xml);
    db.ejecutar(
        "UPDATE Adjuntos SET Completo = 1, NombreQuarel = 'x.pdf' WHERE IdOrdenAdjunto = 1");
    EXPECT_EQ(grabar(xml), 0);
    const std::vector<Fila> f = filas();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_TRUE(f[0]["Completo"].logico());
    EXPECT_EQ(f[0]["NombreQuarel"].texto(), "x.pdf");
    // The same attachment number of another notification is another row.
    EXPECT_EQ(grabar(xml, "N2"), 2);
}

TEST_F(MensajesTest, NumeroNoValidoTerminaElMensajeConservandoLoAnterior) {
    EXPECT_EQ(grabar(mensaje(adjunto("1", "a.pdf", "true") + adjunto("dos", "b.pdf", "false") +
                             adjunto("3", "c.pdf", "false"))),
              1);
    EXPECT_EQ(filas().size(), 1u);
    EXPECT_FALSE(db.enTransaccion());
}

TEST_F(MensajesTest, RespuestaSinAdjuntosNoGuardaNada) {
    EXPECT_EQ(grabar(mensaje("")), 0);
    EXPECT_EQ(grabar("no es XML"), 0);
    EXPECT_TRUE(filas().empty());
}

// The last attachment followed by nothing (no signers, no block size) is still stored.
TEST_F(MensajesTest, UltimoAdjuntoSinFirmantesNiTamanoDeBloque) {
    EXPECT_EQ(grabar(mensaje(adjunto("1", "a.pdf", "true") + adjunto("2", "b.pdf", "false"), "")),
              2);
    const std::vector<Fila> f = filas();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_TRUE(f[1]["TamBloque"].esNulo());
}

// Attachments whose fields follow an empty "adjunto" element, as a flat answer writes them.
TEST_F(MensajesTest, CamposTrasElElementoAdjunto) {
    const std::string plano = "<adjunto/>" + e("idAdjunto", "4") + e("nombre", "p.pdf") +
                              e("principal", "true") + "<adjunto/>" + e("idAdjunto", "5") +
                              e("nombre", "q.pdf") + e("principal", "false");
    EXPECT_EQ(grabar(mensaje(plano)), 2);
    const std::vector<Fila> f = filas();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0]["IdOrdenAdjunto"].entero(), 4);
    EXPECT_EQ(f[1]["Nombre"].texto(), "q.pdf");
    EXPECT_FALSE(f[1]["Principal"].logico());
}

} // namespace
