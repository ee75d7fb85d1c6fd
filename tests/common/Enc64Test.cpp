#include "common/Enc64.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::string_literals;

const std::string kAlfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

Bytes bytes(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// Character-by-character decoder written for plainness, to check the fast one against.
std::optional<Bytes> decodificarReferencia(std::string_view texto) {
    std::string limpio;
    for (char c : texto) {
        if (c != '\r' && c != '\n') {
            limpio += c;
        }
    }
    if (limpio.size() % 4 != 0) {
        return std::nullopt;
    }
    const auto valor = [](char c) {
        const auto i = kAlfabeto.find(c);
        return i == std::string::npos ? 0u : static_cast<unsigned>(i);
    };
    Bytes r;
    for (std::size_t i = 0; i < limpio.size(); i += 4) {
        const unsigned w = valor(limpio[i]) << 18 | valor(limpio[i + 1]) << 12 |
                           valor(limpio[i + 2]) << 6 | valor(limpio[i + 3]);
        r.push_back(static_cast<std::uint8_t>(w >> 16));
        r.push_back(static_cast<std::uint8_t>(w >> 8));
        r.push_back(static_cast<std::uint8_t>(w));
    }
    const std::size_t relleno = limpio.find("==") != std::string::npos  ? 2
                                : limpio.find('=') != std::string::npos ? 1
                                                                        : 0;
    r.resize(r.size() - std::min(r.size(), relleno));
    return r;
}

std::optional<Bytes> decodificar(std::string_view texto) {
    try {
        return MyDecode(texto);
    } catch (const ErrorBase64&) {
        return std::nullopt;
    }
}

TEST(Enc64, CodificaYDecodificaLosVectoresConocidos) {
    const std::pair<std::string, std::string> casos[] = {
        {"abc", "YWJj"},        {"ab", "YWI="},       {"a", "YQ=="},        {"f", "Zg=="},
        {"fo", "Zm8="},         {"foo", "Zm9v"},      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"}, {"\xFB\xFF", "+/8="}, {"\0\0\0"s, "AAAA"},
    };
    for (const auto& [claro, codificado] : casos) {
        EXPECT_EQ(MyEncode(claro), codificado) << codificado;
        EXPECT_EQ(MyDecode(codificado), bytes(claro)) << codificado;
    }
}

TEST(Enc64, EntradaVaciaDaSalidaVacia) {
    EXPECT_EQ(MyEncode(std::string_view()), "");
    EXPECT_TRUE(MyDecode("").empty());
    EXPECT_TRUE(MyDecode("\r\n\n\r").empty());
}

TEST(Enc64, CortaLasLineasA72CaracteresConCrLf) {
    const std::string linea(72, 'A');
    const auto ceros = [](std::size_t n) { return MyEncode(Bytes(n, 0)); };
    EXPECT_EQ(ceros(54), linea + "\r\n");
    EXPECT_EQ(ceros(55), linea + "\r\nAA==");
    EXPECT_EQ(ceros(56), linea + "\r\nAAA=");
    EXPECT_EQ(ceros(57), linea + "\r\nAAAA");
    EXPECT_EQ(ceros(108), linea + "\r\n" + linea + "\r\n");
    EXPECT_EQ(ceros(107), linea + "\r\n" + std::string(71, 'A') + "=\r\n");
    EXPECT_EQ(ceros(106), linea + "\r\n" + std::string(70, 'A') + "==\r\n");
}

TEST(Enc64, IdaYVueltaConservaLosBytes) {
    std::mt19937 azar(7);
    for (std::size_t n = 0; n <= 300; ++n) {
        Bytes datos(n);
        for (auto& b : datos) {
            b = static_cast<std::uint8_t>(azar());
        }
        const std::string texto = MyEncode(datos);
        ASSERT_EQ(MyDecode(texto), datos) << n;
        // Every line but the last is full; a full last line keeps its CR LF.
        const std::size_t caracteres = 4 * ((n + 2) / 3);
        ASSERT_EQ(texto.size(), caracteres + 2 * (caracteres / 72)) << n;
        for (std::size_t i = 72; i < texto.size(); i += 74) {
            ASSERT_EQ(texto.substr(i, 2), "\r\n") << n;
        }
        // Text rewrapped at 76 as other senders do decodes the same.
        std::string seguido;
        for (char c : texto) {
            if (c != '\r' && c != '\n') {
                seguido += c;
            }
        }
        std::string en76;
        for (std::size_t i = 0; i < seguido.size(); i += 76) {
            en76 += seguido.substr(i, 76) + "\r\n";
        }
        ASSERT_EQ(MyDecode(seguido), datos) << n;
        ASSERT_EQ(MyDecode(en76), datos) << n;
    }
}

TEST(Enc64, IgnoraCrYLfEnCualquierSitio) {
    for (const char* texto : {"YW\r\nJj", "Y\rWJj", "YWJ\nj", "\r\nYWJj\r\n", "Y\n\n\nW\r\r\rJj"}) {
        EXPECT_EQ(MyDecode(texto), bytes("abc")) << texto;
    }
    // A break between two pads still makes "==".
    EXPECT_EQ(MyDecode("YQ=\r\n="), bytes("a"));
}

TEST(Enc64, LongitudQueNoEsMultiploDeCuatroEsError) {
    for (const char* texto : {"YWI", "YWJj YQ==", "=", "YWJjY\r\n", "YWJjYWJjYWJjYWJjYWJjY"}) {
        try {
            MyDecode(texto);
            ADD_FAILURE() << texto;
        } catch (const ErrorBase64& e) {
            EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
            EXPECT_EQ(e.numero(), -2147221504);
            EXPECT_EQ(e.origen(), "MyDecode");
        }
    }
    EXPECT_THROW(MyDecode("YWI"), std::runtime_error);
}

TEST(Enc64, CaracterAjenoAlAlfabetoValeComoA) {
    EXPECT_EQ(MyDecode("Y*Jj"), MyDecode("YAJj"));
    EXPECT_EQ(MyDecode("YWJ "), MyDecode("YWJA"));
    // Every stray byte at every position of a text long enough for the wide paths.
    const std::string base = "Zm9vYmFyZm9vYmFyZm9vYmFyZm9vYmFyZm9vYmFy";
    for (int c = 0; c < 256; ++c) {
        if (c == '\r' || c == '\n' || c == '=' ||
            kAlfabeto.find(static_cast<char>(c)) != std::string::npos) {
            continue;
        }
        for (std::size_t i = 0; i < base.size(); ++i) {
            std::string texto = base;
            std::string comoA = base;
            texto[i] = static_cast<char>(c);
            comoA[i] = 'A';
            ASSERT_EQ(MyDecode(texto), MyDecode(comoA)) << c << " en " << i;
        }
    }
}

TEST(Enc64, ElRellenoSeQuitaDelFinalEsteDondeEste) {
    // The pad count comes off the end whatever the pads' place, and never below nothing.
    EXPECT_EQ(MyDecode("YQ==YWJj"), Bytes({'a', 0, 0, 'a'}));
    EXPECT_EQ(MyDecode("YWI=YWJj"), Bytes({'a', 'b', 0, 'a', 'b'}));
    EXPECT_EQ(MyDecode("===="), Bytes({0}));
    EXPECT_EQ(MyDecode("A==="), Bytes({0}));
    EXPECT_EQ(MyDecode("=AAA"), Bytes({0, 0}));
    const std::string largo(64, 'A');
    EXPECT_EQ(MyDecode(largo + "AA==" + largo).size(), 48u + 3 + 48 - 2);
    EXPECT_EQ(MyDecode(largo + "AAA=" + largo).size(), 48u + 3 + 48 - 1);
    EXPECT_EQ(MyDecode(largo + "AAA=\r\n=AAA" + largo).size(), 48u + 6 + 48 - 2);
}

TEST(Enc64, CoincideConElDecodificadorDeReferencia) {
    std::mt19937 azar(11);
    const std::string piezas = "AZaz09+/=== \t*\r\n\r\n\r\n\x80\xFF";
    for (int caso = 0; caso < 4000; ++caso) {
        std::string texto;
        const std::size_t n = azar() % 120;
        for (std::size_t i = 0; i < n; ++i) {
            // Mostly alphabet, so long runs reach the wide paths.
            texto += azar() % 4 != 0 ? static_cast<char>('a' + azar() % 26)
                                     : piezas[azar() % piezas.size()];
        }
        ASSERT_EQ(decodificar(texto), decodificarReferencia(texto)) << texto;
    }
}

} // namespace
