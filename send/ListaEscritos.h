#pragma once

// The writ list of Corvane's main window: pending or sent writs, and the copy recipients
// and documents of one writ.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BaseDatos;

enum class VistaEscritos { Pendientes, Enviados };

// One row of the list: the five visible columns, then the writ number and its main
// document's file name, which the row carries without showing them.
struct FilaEscrito {
    std::string destinatario; // court code + " - " + court name
    std::string tipo;         // type code + " - " + its description
    std::string numero;       // procedure number
    std::string referencia;
    std::string fecha;   // "dd/mm/yyyy"; a single blank for a sent writ without date
    std::int64_t id = 0; // writ number
    std::string adjunto; // main document's file name

    // The texts of the row's sub-items 0 to 6 (the number in decimal).
    std::array<std::string, 7> subelementos() const;
};

struct ColumnaLista {
    const char* titulo;
    int anchoTwips; // 0: what the list's width leaves
};
// "Destinatario", "Tipo Proc.", "Num. Proc.", "Referencia", "Fecha".
extern const std::array<ColumnaLista, 5> kColumnasLista;

inline constexpr const char* kSinDestinatarios = "*** OBTENGA DESTINATARIOS ***";
inline constexpr const char* kPrincipal = " (principal)";

// The writs of one view: pending ones oldest first, sent ones most recently sent first.
// A writ whose procedure type is not in the catalogue is listed with an empty
// description rather than hidden.
std::vector<FilaEscrito> CargarLista(BaseDatos& db, VistaEscritos vista);

// The court's trimmed name in the directory, or " *** OBTENGA DESTINATARIOS ***". The
// code's characters 1-5 are the judicial district, 6-7 the kind of court, and the last
// three the court number, compared by its numeric value.
std::string nombreOrgano(BaseDatos& db, std::string_view destinatario);

// What the window shows for the selected writ.
struct DetalleEscrito {
    std::vector<std::string> destinos;   // list1: "Apellido1 Apellido2, Nombre [cif]"
    std::vector<std::string> documentos; // List2: main document + " (principal)", then the rest
};
DetalleEscrito detalleEscrito(BaseDatos& db, std::int64_t id, std::string_view adjunto);

// List2 alone: the main document + " (principal)", then the further documents in the
// order they were added.
std::vector<std::string> documentosEscrito(BaseDatos& db, std::int64_t id,
                                           std::string_view adjunto);
