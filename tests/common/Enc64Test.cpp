#include "common/Enc64.h"

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

// Character-by-character decoder written for plainness, to check the fast one against.
std::optional<Bytes> decodificarReferencia(std::string_view texto) {
    static const std::string alfabeto =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
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
        const auto i = alfabeto.find(c);
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
    } catch (const ErrorBase64& e) {
        EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
        EXPECT_EQ(e.numero(), -2147221504);
        return std::nullopt;
    }
}

TEST(Enc64, VectoresConocidosYLineasDe72) {
    const std::pair<std::string, std::string> casos[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"fooba", "Zm9vYmE="},
        {"\xFB\xFF", "+/8="},
        {"\0\0\0"s, "AAAA"},
        {std::string(54, '\0'), std::string(72, 'A') + "\r\n"},
        {std::string(55, '\0'), std::string(72, 'A') + "\r\nAA=="},
        {std::string(107, '\0'), std::string(72, 'A') + "\r\n" + std::string(71, 'A') + "=\r\n"},
    };
    for (const auto& [claro, codificado] : casos) {
        EXPECT_EQ(MyEncode(claro), codificado) << codificado;
        EXPECT_EQ(MyDecode(codificado), bytes(claro)) << codificado;
    }
}

// Breaks anywhere, stray characters as "A", pads counted off the end wherever they stand,
// groups cut short: the fast decoder agrees with the plain one on random texts, and both
// directions keep any bytes.
TEST(Enc64, CoincideConElDecodificadorDeReferencia) {
    const std::string casos[] = {"YW\r\nJj", "Y\n\n\nW\r\r\rJj",
                                 "YQ=\r\n=", "Y*Jj",
                                 "YQ==YWJj", "====",
                                 "=AAA",     std::string(64, 'A') + "AAA=\r\n=AAA",
                                 "YWI",      "YWJjY\r\n"};
    for (const std::string& texto : casos) {
        EXPECT_EQ(decodificar(texto), decodificarReferencia(texto)) << texto;
    }
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
    for (std::size_t n = 0; n <= 300; ++n) {
        Bytes datos(n);
        for (auto& b : datos) {
            b = static_cast<std::uint8_t>(azar());
        }
        ASSERT_EQ(MyDecode(MyEncode(datos)), datos) << n;
    }
}

} // namespace
