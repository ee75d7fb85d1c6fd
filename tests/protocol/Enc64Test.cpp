#include "protocol/Enc64.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::string_literals;

Bytes bytes(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// Decodes from a buffer of exactly the text's size, so that a read past its end is caught
// under the sanitizers.
std::optional<Bytes> decodificar(std::string_view texto, Blancos blancos = Blancos::Cuentan) {
    const std::vector<char> exacto(texto.begin(), texto.end());
    try {
        Bytes espacio;
        const auto r =
            decodificarBase64(std::string_view(exacto.data(), exacto.size()), espacio, blancos);
        return Bytes(r.begin(), r.end());
    } catch (const ErrorBase64& e) {
        EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
        EXPECT_EQ(e.numero(), -2147221504);
        return std::nullopt;
    }
}

// The documented rules, one character at a time.
std::optional<Bytes> referencia(std::string_view texto, Blancos blancos) {
    std::string limpio;
    for (const char c : texto) {
        const bool blanco = c == ' ' || c == '\t';
        if (c != '\r' && c != '\n' && !(blanco && blancos == Blancos::SeIgnoran)) {
            limpio += c;
        }
    }
    if (limpio.size() % 4 != 0) {
        return std::nullopt;
    }
    const std::string alfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Bytes r;
    for (std::size_t i = 0; i < limpio.size(); i += 4) {
        std::uint32_t w = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t v = alfabeto.find(limpio[i + k]);
            w = w << 6 | (v == std::string::npos ? 0 : static_cast<std::uint32_t>(v));
        }
        r.insert(r.end(), {std::uint8_t(w >> 16), std::uint8_t(w >> 8), std::uint8_t(w)});
    }
    const std::size_t relleno = limpio.find("==") != std::string::npos  ? 2
                                : limpio.find('=') != std::string::npos ? 1
                                                                        : 0;
    r.resize(r.size() - std::min(r.size(), relleno));
    return r;
}

TEST(Enc64, VectoresConocidosLineasDe72EIdaYVuelta) {
    const std::pair<std::string, std::string> casos[] = {
        {"", ""},
        {"a", "YQ=="},
        {"fooba", "Zm9vYmE="},
        {"\xFB\xFF", "+/8="},
        {"\0\0\0"s, "AAAA"},
        {std::string(54, '\0'), std::string(72, 'A') + "\r\n"},
        {std::string(55, '\0'), std::string(72, 'A') + "\r\nAA=="},
        {std::string(107, '\0'), std::string(72, 'A') + "\r\n" + std::string(71, 'A') + "=\r\n"},
    };
    for (const auto& [claro, codificado] : casos) {
        EXPECT_EQ(codificarBase64(claro), codificado) << codificado;
        EXPECT_EQ(decodificarBase64(codificado), bytes(claro)) << codificado;
    }
    EXPECT_EQ(decodificar("YWJjY\r\n"), std::nullopt); // groups cut short
    // Both directions keep any bytes, through the wide paths and every padding.
    std::mt19937 azar(11);
    for (std::size_t n = 0; n <= 300; ++n) {
        Bytes datos(n);
        for (auto& b : datos) {
            b = static_cast<std::uint8_t>(azar());
        }
        ASSERT_EQ(decodificarBase64(codificarBase64(datos)), datos) << n;
    }
}

TEST(Enc64, BlancosIgnoradosCuentanComoQuitadosParaElRellenoYElError) {
    const auto ignorados = Blancos::SeIgnoran;
    EXPECT_EQ(decodificar("YQ= =", ignorados), bytes("a")); // "= =" is "=="
    EXPECT_EQ(decodificar("Y W\tJj\r\n ", ignorados), bytes("abc"));
    EXPECT_EQ(decodificar(" \t \r\n", ignorados), Bytes{});
    EXPECT_EQ(decodificar("YQ = ", ignorados), std::nullopt);
    EXPECT_EQ(decodificar("YWJj\t"), std::nullopt); // counted by default
    EXPECT_EQ(decodificar("YQ ="), bytes("a\0"s));  // a blank counted decodes as "A"
    EXPECT_EQ(decodificar("YQ= ="), std::nullopt);
}

// Texts of every shape, so that the 32-, 16- and 4-character paths each start and stop at
// every kind of character, both with blanks counted and ignored.
TEST(Enc64, DecodificaComoLaReferenciaTextosAleatorios) {
    const std::string alfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string especiales = "\r\n= \t-.\0\x80\xBF\xFF\x7F\x2A"s;
    std::mt19937 azar(29);
    const auto caracter = [&](std::uint32_t cadaCuantos) {
        if (azar() % cadaCuantos != 0) {
            return alfabeto[azar() % 64];
        }
        return azar() % 4 == 0 ? static_cast<char>(azar()) : especiales[azar() % especiales.size()];
    };
    for (int i = 0; i < 4000; ++i) {
        const std::uint32_t cadaCuantos = std::array{2u, 8u, 40u, 400u}[i % 4];
        std::string texto(azar() % 301, '\0');
        for (auto& c : texto) {
            c = caracter(cadaCuantos);
        }
        for (const auto blancos : {Blancos::Cuentan, Blancos::SeIgnoran}) {
            ASSERT_EQ(decodificar(texto, blancos), referencia(texto, blancos))
                << testing::PrintToString(texto);
        }
    }
    // Long texts in lines of several widths, now and then indented or touched by a stray.
    for (const std::size_t ancho : {64u, 72u, 76u, 0u}) {
        for (int i = 0; i < 20; ++i) {
            Bytes datos(3000 + azar() % 6000);
            for (auto& b : datos) {
                b = static_cast<std::uint8_t>(azar());
            }
            std::string seguido = codificarBase64(datos);
            std::erase_if(seguido, [](char c) { return c == '\r' || c == '\n'; });
            const std::string salto = i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r\n" : "\r\n  ";
            std::string texto;
            for (std::size_t p = 0; p < seguido.size(); p += ancho ? ancho : seguido.size()) {
                texto += seguido.substr(p, ancho ? ancho : seguido.size()) + salto;
            }
            const bool conBlancos = i % 3 == 2;
            ASSERT_EQ(decodificar(texto, Blancos::SeIgnoran), datos) << ancho << " " << i;
            ASSERT_EQ(decodificar(texto), conBlancos ? referencia(texto, Blancos::Cuentan) : datos);
            for (int k = 0; k < i % 4; ++k) {
                texto[azar() % texto.size()] = caracter(1);
            }
            for (const auto blancos : {Blancos::Cuentan, Blancos::SeIgnoran}) {
                ASSERT_EQ(decodificar(texto, blancos), referencia(texto, blancos))
                    << ancho << " " << i;
            }
        }
    }
}

} // namespace
