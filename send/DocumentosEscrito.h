#pragma once

// The documents of a writ: add a PDF, remove one, open one with the desktop, and delete
// the whole writ. Each operation asks and reports through the interaction port, with the
// title "Atención:", and a failing step leaves the writ as it was.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Ajustes;
class BaseDatos;
class Corvane;
class Interaccion;

inline constexpr std::size_t kMaximoDocumentos = 6; // the main one included

// The writ selected in the list: its number and its main document's file name.
struct EscritoSeleccionado {
    std::int64_t id = 0;
    std::string adjunto;
};

// What further documents of a writ are named with: the main document's name up to its
// first ".RTF" (any case) followed by "_"; a name without ".RTF" gives the whole name
// followed by "_".
std::string prefijoAdjuntos(std::string_view adjunto);

class DocumentosEscrito {
public:
    // Works on Corvane's settings and database once it has started.
    DocumentosEscrito(Corvane& corvane, Interaccion& ui) : corvane_(corvane), ui_(ui) {}

    // Whether one more document fits; when not, says so. Asked before choosing the file.
    bool cabeOtroDocumento(const EscritoSeleccionado& escrito);

    // Copies the chosen file into the sends folder as prefix + its name and records it,
    // asking before it overwrites a file there; attaching a name again keeps one row.
    // Returns the writ's new document list, or nullopt when nothing changed (an empty
    // path is a cancelled choice).
    std::optional<std::vector<std::string>> anadirAdjunto(const EscritoSeleccionado& escrito,
                                                          const std::filesystem::path& elegido);

    // Removes the further document at `indice` of the document list (0 is the main one,
    // which stays) after asking; its file stays in the sends folder.
    std::optional<std::vector<std::string>> quitarAdjunto(const EscritoSeleccionado& escrito,
                                                          int indice, std::string_view nombre);

    // Opens the document at `indice` (0: the main one) with the desktop; `texto` is the
    // list entry. A missing file or a refusal of the desktop is reported.
    void verDocumento(const EscritoSeleccionado& escrito, int indice, std::string_view texto);

    // Asks, then deletes the writ (BorrarEscrito). True when it was deleted.
    bool bajaEscrito(const EscritoSeleccionado& escrito);

private:
    Corvane& corvane_;
    Interaccion& ui_;
};

// Deletes a writ's rows and its main document's file in one step: when the file cannot
// be deleted nothing is. The file stays while another writ names it. The further
// documents' files stay. False, after a message, on failure.
bool BorrarEscrito(const Ajustes& g, BaseDatos& db, Interaccion& ui, std::int64_t id);
