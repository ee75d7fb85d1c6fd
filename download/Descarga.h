#pragma once

#include "download/FaseDescarga.h"
#include "download/ListaNotificaciones.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class Ambrel;
class Interaccion;

// The box that gets the focus after a date message.
enum class FocoFecha { Inicial, Final };

// The outcome of the date checks: `valida` with the range (nullopt: no range), or the box
// that gets the focus after the message that was shown.
struct ComprobacionFechas {
    bool valida = false;
    std::optional<RangoFechas> rango;
    FocoFecha foco = FocoFecha::Inicial;
};

// The range as the headers request writes it: "yyyy-mm-ddT00:00:00" and
// "yyyy-mm-ddT23:59:59"; "" without a range.
std::string FechaDesde(const std::optional<RangoFechas>& rango);
std::string FechaHasta(const std::optional<RangoFechas>& rango);

// One download run of Ambrel's main window, as logic: date checks, then the phases in
// their order over Ambrel's LexNET client and database. The certificate is chosen by the
// caller (the window's panel, the command line) before ProcesarDescarga.
class Descarga {
public:
    Descarga(Ambrel& ambrel, Interaccion& ui);

    // The checks of the typed dates, in order: a start without an end or the reverse, a box
    // that holds no date, an end before the start; each shown with its message.
    ComprobacionFechas ComprobarFechas(std::string_view desde, std::string_view hasta);

    // The phase sequence, when `descargar` only while no other download run holds the turn
    // (TurnoEjecucion; otherwise nothing is done): login when there is no session (its failure is
    // shown and ends the program), the pending list when LexNET reports pending notifications,
    // then, when `descargar`, headers, messages, documents, confirmation and logout, each only
    // while the exchanges before it did not fail. The status panel is emptied at the end.
    ResultadoDescarga ProcesarDescarga(const std::optional<RangoFechas>& rango, bool descargar,
                                       bool soloPendientes);

    // The pending list, as the main window shows it.
    std::string PedirPendientes();

    const ResultadoDescarga& resultado() const { return resultado_; }

private:
    // Headers within the range (or the pending ones) into the database; false when the
    // exchange failed.
    bool PedirCabeceras(const std::optional<RangoFechas>& rango, bool soloPendientes);

    ResultadoDescarga resultado_;
    // Ambrel's settings, database, client and the port, with resultado_: what every phase
    // works with.
    ContextoDescarga fase_;
};
