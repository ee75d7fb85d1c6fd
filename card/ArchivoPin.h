#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

class Interaccion;

// The card's PIN kept in a file for unattended runs. A card locks after a few wrong tries,
// so a file whose PIN the card refused is not offered to it again until the file changes
// (its content or its modification time); the refusals are remembered in a registry file
// that holds a salted, slow hash of the content, never the PIN.

class ErrorArchivoPin : public std::runtime_error {
public:
    enum class Motivo {
        Ilegible,  // the file cannot be read
        Expuesto,  // users other than its owner may read or write it
        Rechazado, // the card refused it as it is now
    };
    ErrorArchivoPin(Motivo motivo, const std::string& texto)
        : std::runtime_error(texto), motivo_(motivo) {}
    Motivo motivo() const { return motivo_; }

private:
    Motivo motivo_;
};

// The registry of refused PIN files of a program folder.
std::filesystem::path registroPinesRechazados(const std::string& carpetaPrograma);

// The first line of the file, without its line end. Throws ErrorArchivoPin.
std::string leerArchivoPin(const std::filesystem::path& archivo,
                           const std::filesystem::path& registro);

// Remembers that the card refused the PIN of the file as it is now. Throws
// std::runtime_error when the registry cannot be written.
void recordarPinRechazado(const std::filesystem::path& archivo,
                          const std::filesystem::path& registro);

// At the end of a run that took the PIN from `archivo`: when the card refused it, the
// refusal is remembered and the person told, under the program's name as title. Nothing
// happens without a file or a refusal.
void avisarPinRechazado(const std::optional<std::string>& archivo, bool rechazado,
                        const std::filesystem::path& registro, Interaccion& ui,
                        const std::string& programa);
