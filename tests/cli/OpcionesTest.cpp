// The command-line layer in process: the forms and types of options.
#include "cli/Opciones.h"

#include <gtest/gtest.h>

using namespace cli;

namespace {

const Opcion kFecha{"--desde", Tipo::Fecha}, kMarca{"--todas"}, kTexto{"--eml", Tipo::Texto},
    kMomento{"--enviada", Tipo::Momento};
const std::vector<Orden> kOrdenes = {{"descargar", {kFecha, kMomento}, true},
                                     {"exportar", {kMarca, kTexto}, false, 1}};

// Empty when the words are right.
std::string motivo(const std::vector<std::string_view>& args) {
    try {
        interpretar(kOrdenes, args);
        return "";
    } catch (const UsoIncorrecto& e) {
        return e.motivo;
    }
}

// The order first; the argument is the first later word that is not an option; a value
// follows its option or its "=", even one that looks like an option; of a repeated option
// the last counts; the card options belong to the orders that talk to LexNET.
TEST(Opciones, FormasDeLaLinea) {
    const Peticion e =
        interpretar(kOrdenes, {"exportar", "--todas", "-x", "--eml=a", "--eml", "--"});
    EXPECT_EQ(std::tuple(e.hay(kMarca), e.hay(kFecha), e.argumentos, e.texto(kTexto)),
              std::tuple(true, false, std::vector<std::string>{"-x"}, "--"));
    const Peticion d =
        interpretar(kOrdenes, {"descargar", "--certificado", "2", "--certificado=3"});
    EXPECT_EQ(d.numero(kCertificado, 1), 3u);
    EXPECT_EQ(d.numero(kReintentos, 7), 7u);
    const std::string otra = "opción desconocida para ";
    EXPECT_EQ(motivo({}), "falta la orden");
    EXPECT_EQ(motivo({"bajar", "exportar"}), "orden desconocida: bajar");
    EXPECT_EQ(motivo({"exportar", "A", "B"}), otra + "exportar: B");
    EXPECT_EQ(motivo({"descargar", "A"}), otra + "descargar: A");
    EXPECT_EQ(motivo({"exportar", "--todas=S"}), otra + "exportar: --todas=S");
    EXPECT_EQ(motivo({"exportar", "--reintentos=1"}), otra + "exportar: --reintentos=1");
    EXPECT_EQ(motivo({"descargar", "--reintentos"}), "--reintentos necesita un valor");
}

TEST(Opciones, CadaTipoComprobado) {
    const std::string fecha = "--desde necesita una fecha DD/MM/AAAA válida: ",
                      momento = "--enviada necesita una fecha y hora \"DD/MM/AAAA HH:MM\" "
                                "válidas: ",
                      posicion = "--certificado necesita un número entero de 1 en adelante",
                      cuenta = "--reintentos necesita un número entero de 0 en adelante";
    for (const auto& [palabra, error] : std::vector<std::pair<std::string, std::string>>{
             {"--desde=29/02/2028", ""},
             {"--desde=29/02/2026", fecha + "29/02/2026"},
             {"--desde= 1/11/2026", fecha + " 1/11/2026"},
             {"--desde=01/11/26", fecha + "01/11/26"},
             {"--enviada=29/02/2028 23:59", ""},
             {"--enviada=29/02/2028 24:00", momento + "29/02/2028 24:00"},
             {"--enviada=29/02/2028", momento + "29/02/2028"},
             {"--certificado=18446744073709551615", ""},
             {"--certificado=0", posicion},
             {"--certificado=+1", posicion},
             {"--reintentos=2147483647", ""},
             {"--reintentos=2147483648", cuenta},
             {"--reintentos=-1", cuenta}}) {
        EXPECT_EQ(motivo({"descargar", palabra}), error) << palabra;
    }
}

} // namespace
