#include "tools/lexnet-sim/Base64.h"

#include <openssl/evp.h>

std::string codificarBase64(std::string_view bytes) {
    std::string texto(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(texto.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    texto.resize(static_cast<std::size_t>(n));
    return texto;
}

namespace {

bool esDelAlfabeto(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

} // namespace

std::optional<std::string> decodificarBase64(std::string_view texto) {
    std::string limpio;
    limpio.reserve(texto.size());
    for (const char c : texto) {
        if (c != '\r' && c != '\n') {
            limpio += c;
        }
    }
    if (limpio.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t relleno = 0;
    while (relleno < 2 && relleno < limpio.size() && limpio[limpio.size() - 1 - relleno] == '=') {
        ++relleno;
    }
    for (std::size_t i = 0; i + relleno < limpio.size(); ++i) {
        if (!esDelAlfabeto(limpio[i])) {
            return std::nullopt;
        }
    }
    if (limpio.empty()) {
        return std::string();
    }
    std::string bytes(limpio.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                  reinterpret_cast<const unsigned char*>(limpio.data()),
                                  static_cast<int>(limpio.size()));
    if (n < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(n) - relleno);
    return bytes;
}
