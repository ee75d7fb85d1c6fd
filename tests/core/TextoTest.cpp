#include "core/Texto.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

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

// Several texts at once find what each alone finds, wherever it stands (in the wide steps or
// in the last places) and whatever the lengths.
TEST(Texto, BuscarTextosComoFind) {
    std::mt19937 azar(11);
    const auto al = [&](std::size_t n) {
        std::string t(n, 'a');
        for (char& c : t) {
            c = "abr"[azar() % 3];
        }
        return t;
    };
    for (int vuelta = 0; vuelta < 3000; ++vuelta) {
        const std::string texto = al(azar() % 400);
        std::vector<std::string> guardadas;
        for (std::size_t i = 0, n = 1 + azar() % kMaxPartes; i < n; ++i) {
            guardadas.push_back(al(1 + azar() % (vuelta % 2 == 0 ? 6 : 40)));
        }
        const std::vector<std::string_view> partes(guardadas.begin(), guardadas.end());
        std::vector<std::size_t> primeros(partes.size(), 0);
        buscarTextos(texto, partes, primeros);
        for (std::size_t i = 0; i < partes.size(); ++i) {
            EXPECT_EQ(primeros[i], std::string_view(texto).find(partes[i]))
                << texto << " / " << partes[i];
        }
    }
}

// CR, LF and the file's separator become blanks; nothing else changes.
TEST(Texto, ValorDeLinea) {
    const std::tuple<const char*, const char*, const char*> casos[] = {{"a\r\nb", "", "a  b"},
                                                                       {"a#b\nc\r", "#", "a b c "},
                                                                       {"a#b", "", "a#b"},
                                                                       {"ñ\tx|", "#", "ñ\tx|"},
                                                                       {"", "#", ""}};
    for (const auto& [valor, separadores, esperado] : casos) {
        EXPECT_EQ(valorDeLinea(valor, separadores), esperado) << valor;
    }
}

// Accents fold to their letter, "ñ" comes between "n" and "o", case does not count; equal
// keys fall back to the bytes; a byte that is not UTF-8 still orders.
TEST(Texto, OrdenEspanol) {
    const std::vector<std::string> ordenados = {
        "",      "Abad",    "Alvarez", "alvarez",     "Álvarez", "álvarez", "Azcona",
        "Çelik", "Munuera", "Muñoz",   "Muñoz Pérez", "Muro",    "Nuñez",   "Núñez",
        "Ñandú", "ñu",      "Oliva",   "Zapata",      "Zúñiga",  "\xFE"};
    for (std::size_t i = 0; i < ordenados.size(); ++i) {
        for (std::size_t j = 0; j < ordenados.size(); ++j) {
            const int r = compararEspanol(ordenados[i], ordenados[j]);
            EXPECT_EQ(r < 0, i < j) << ordenados[i] << " / " << ordenados[j];
            EXPECT_EQ(r == 0, i == j) << ordenados[i] << " / " << ordenados[j];
        }
    }
}

} // namespace
