#include "common/Texto.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

// The search against std::string_view::find, with matches on every side of the sixteen-byte
// steps it takes and candidates that match at both ends only.
TEST(Texto, BuscarTextoComoFind) {
    std::mt19937 azar(7);
    for (int vuelta = 0; vuelta < 2000; ++vuelta) {
        std::string texto(azar() % 80, 'a');
        for (char& c : texto) {
            c = "abr"[azar() % 3];
        }
        std::string parte(1 + azar() % 6, 'a');
        for (char& c : parte) {
            c = "abr"[azar() % 3];
        }
        const std::size_t desde = azar() % (texto.size() + 2);
        EXPECT_EQ(buscarTexto(texto, parte, desde), std::string_view(texto).find(parte, desde))
            << texto << " / " << parte << " / " << desde;
    }
    EXPECT_EQ(buscarTexto("abc", "", 1), 1u);
    EXPECT_EQ(buscarTexto("abc", "c", 4), std::string_view::npos);
}

} // namespace
