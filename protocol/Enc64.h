#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Base64 with the standard alphabet and "=" padding, as LexNET carries raw bytes inside
// XML. The encoder breaks its text into lines of 72 characters ended by CR LF; the
// decoder is lenient: line breaks anywhere are ignored and any other character outside
// the alphabet decodes as "A".

// Raised by decodificarBase64 when the text without line breaks (and blanks, when they are ignored)
// is not a whole number of groups.
class ErrorBase64 : public std::runtime_error {
public:
    static constexpr std::int32_t kNumero = -2147221504; // 0x80040000

    ErrorBase64() : std::runtime_error("Input string is not valid Base64.") {}

    std::int32_t numero() const { return kNumero; }
};

// CR and LF are removed wherever they stand; every other character counts. The result
// has three bytes per group of four characters, less two when the text holds "==" anywhere,
// else less one when it holds "=" anywhere. Throws ErrorBase64 when the count of the
// remaining characters is not a multiple of 4. Empty text gives no bytes.
std::vector<std::uint8_t> decodificarBase64(std::string_view texto);

// Whether spaces and tabs count as characters or are removed like CR and LF.
enum class Blancos { Cuentan, SeIgnoran };

// The same into `espacio`, which grows when it must and is never shrunk, so that blocks of
// a document decode one after another without new memory; returns the decoded bytes. With
// Blancos::SeIgnoran the text decodes as it would with every space and tab removed first.
std::span<const std::uint8_t> decodificarBase64(std::string_view texto,
                                                std::vector<std::uint8_t>& espacio,
                                                Blancos blancos = Blancos::Cuentan);

// Lines of 72 characters, each followed by CR LF; the last line gets its CR LF only when
// it is full. Empty input gives empty text.
std::string codificarBase64(std::span<const std::uint8_t> bytes);
// The same, for bytes held as text (one character per byte).
std::string codificarBase64(std::string_view bytes);
