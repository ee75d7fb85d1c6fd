#pragma once

// The signed S/MIME message of a writ: LexNET's starting MIME document completed with the
// main document, its detached signature "firma_documento.p7s" and the further documents,
// the whole signed as multipart/signed with the card's certificate. Documents are read
// and written in pieces: memory holds a piece of one document at a time.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using evp_pkey_st = struct evp_pkey_st;
using x509_st = struct x509_st;

// A step that failed; the message says which, in words for the user.
class ErrorSmime : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The certificate and its key (on the card: the key never leaves it).
struct Firmante {
    x509_st* certificado = nullptr;
    evp_pkey_st* clave = nullptr;
};

// Detached CMS signature (DER, SHA-256) of the file's bytes exactly as they are.
std::string signAttachFile(const std::filesystem::path& archivo, const Firmante& firmante);

// Writes the signed message to `destino` (replacing it). `documentos`: the main one first.
// Throws ErrorSmime; `destino` is then left without a message.
void ComponerSMIME(std::string_view mimeInicial, const std::vector<std::string>& documentos,
                   const Firmante& firmante, const std::filesystem::path& destino);
