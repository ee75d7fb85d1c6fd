#pragma once

// The text file in which the practice-management program leaves writs for Corvane: one
// line per writ,
//   number "#" reference "#" type "#&" court { "#&" copy recipient } "#$" main document
//   { "#%" further document }
// Fields are taken as they are, without trimming.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kArchivoMensajes = "MENSAJES.TXT";

// Widths of the columns the fields are stored in, in characters.
inline constexpr std::size_t kAnchoNumeroProcedimiento = 50;
inline constexpr std::size_t kAnchoReferencia = 255;
inline constexpr std::size_t kAnchoTipoProcedimiento = 5;
inline constexpr std::size_t kAnchoDestinatario = 50;
inline constexpr std::size_t kAnchoDestino = 15;
inline constexpr std::size_t kAnchoAdjunto = 255;

// One writ as a line describes it; texts in UTF-8.
struct EscritoQuarel {
    std::string NumeroProcedimiento;
    std::string Referencia;
    std::string TipoProcedimiento;
    std::string Destinatario;          // court code
    std::vector<std::string> destinos; // copy recipients, in line order
    std::string Adjunto;               // main document's file name
    std::vector<std::string> adjuntos; // further documents' file names, in line order

    bool operator==(const EscritoQuarel&) const = default;
};

// A line of the file: its number (from 1) and its text without the line break.
struct LineaMensajes {
    std::size_t numero = 0;
    std::string texto;
};

// The file's bytes as UTF-8. The office's programs write Windows-1252; a file that is
// wholly valid UTF-8 is taken as such (a leading byte-order mark is dropped).
std::string textoDeMensajes(std::string_view bytes);

// The lines of a text ended by CR LF, LF or CR (the last one may lack its break).
// Blank lines describe no writ and are left out; the numbers count them all.
std::vector<LineaMensajes> lineasDeMensajes(std::string_view texto);

// A line read as a writ, or the reason it cannot be stored: a missing marker, an empty
// court, recipient or document, a field longer than its column, or a document name that
// names a folder. The reason is a Spanish phrase without a final full stop.
struct LineaAnalizada {
    std::optional<EscritoQuarel> escrito;
    std::string fallo; // empty when the line is accepted
};
LineaAnalizada analizarLinea(std::string_view linea);

// Characters (code points) of a UTF-8 text, as the database counts them.
std::size_t contarCaracteres(std::string_view texto);
