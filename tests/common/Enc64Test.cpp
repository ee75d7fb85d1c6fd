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

std::optional<Bytes> decodificar(std::string_view texto) {
    try {
        return MyDecode(texto);
    } catch (const ErrorBase64& e) {
        EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
        EXPECT_EQ(e.numero(), -2147221504);
        return std::nullopt;
    }
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
        EXPECT_EQ(MyEncode(claro), codificado) << codificado;
        EXPECT_EQ(MyDecode(codificado), bytes(claro)) << codificado;
    }
    EXPECT_EQ(decodificar("YWJjY\r\n"), std::nullopt); // groups cut short
    // Both directions keep any bytes, through the wide paths and every padding.
    std::mt19937 azar(11);
    for (std::size_t n = 0; n <= 300; ++n) {
        Bytes datos(n);
        for (auto& b : datos) {
            b = static_cast<std::uint8_t>(azar());
        }
        ASSERT_EQ(MyDecode(MyEncode(datos)), datos) << n;
    }
}

} // namespace
