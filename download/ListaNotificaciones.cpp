#include "download/ListaNotificaciones.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/NombresArchivo.h"
#include "platform/Sistema.h"
#include "settings/Ajustes.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <system_error>

namespace {

// Characters of a UTF-8 text (continuation bytes do not count).
std::size_t caracteres(std::string_view texto) {
    return static_cast<std::size_t>(std::count_if(texto.begin(), texto.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string rellenar(std::string texto, std::size_t ancho) {
    const std::size_t n = caracteres(texto);
    if (n < ancho) {
        texto.append(ancho - n, ' ');
    }
    return texto;
}

// Cut to `ancho` characters, then padded with blanks to `relleno`.
std::string columna(std::string_view texto, std::size_t ancho, std::size_t relleno) {
    return rellenar(primerosCaracteres(texto, ancho), relleno);
}

// "dd/mm/yyyy" or its eight digits; nullopt when that is not a real date.
std::optional<FechaHora> fechaDeCaja(std::string_view texto) {
    std::string digitos(recortar(texto));
    if (digitos.size() == 10 && digitos[2] == '/' && digitos[5] == '/') {
        digitos = digitos.substr(0, 2) + digitos.substr(3, 2) + digitos.substr(6, 4);
    }
    if (digitos.size() != 8 ||
        !std::all_of(digitos.begin(), digitos.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::string fecha = digitos;
    if (!ValidarFecha(fecha)) {
        return std::nullopt;
    }
    return FechaHora{std::stoi(digitos.substr(4, 4)),
                     std::stoi(digitos.substr(2, 2)),
                     std::stoi(digitos.substr(0, 2)),
                     0,
                     0,
                     0};
}

FechaHora fechaObligada(std::string_view texto) {
    const auto fecha = fechaDeCaja(texto);
    if (!fecha) {
        throw std::invalid_argument("Fecha no válida: '" + std::string(texto) + "'");
    }
    return *fecha;
}

// A stored date in its display form; a value that is not a stored date is shown as it is.
std::string fechaPantalla(const Valor& v) {
    const std::string texto = v.texto();
    const auto fecha = FechaHora::desdeTexto(texto);
    return fecha ? fecha->textoPantalla() : texto;
}

// Separators and control characters: never part of a stored file name.
bool esCaracterProhibido(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F || c == '/' || c == '\\';
}

// Characters Windows refuses in file names: a safe name avoids them on every system, so that
// an office's stored names are the same whatever system stored them.
bool esCaracterWindows(char c) {
    return std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
}

bool esCaracterAjeno(char c) {
    return esCaracterProhibido(c) || (sistemaRechazaCaracteresDeWindows() && esCaracterWindows(c));
}

bool soloPuntos(std::string_view nombre) {
    return std::all_of(nombre.begin(), nombre.end(), [](char c) { return c == '.'; });
}

// A name that stays one file inside its folder, on this system, as it is.
bool esNombreSimple(std::string_view nombre) {
    return !nombre.empty() && !soloPuntos(nombre) && !esNombreReservadoWindows(nombre) &&
           std::none_of(nombre.begin(), nombre.end(), esCaracterAjeno);
}

void filtroFechas(std::string& sql, const std::optional<RangoFechas>& rango) {
    // An undated notification belongs to every range: it is never hidden.
    if (rango) {
        sql += " AND (c.FechaEnvio BETWEEN ? AND ? OR c.FechaEnvio IS NULL)";
    }
}

void vincularFechas(Sentencia& s, const std::optional<RangoFechas>& rango) {
    if (rango) {
        s.vincular(1, rango->desde);
        s.vincular(2, rango->hasta);
    }
}

// The sender's full name: a person's name and surnames, else the name; empty when the
// directory does not know the sender.
std::string textoError(const std::error_code& ec, const std::filesystem::path& archivo) {
    return "Error " + std::to_string(ec.value()) + "-" + ec.message() + " (" + comoTexto(archivo) +
           ")";
}

// Deletes one document file; one already gone counts as deleted. Throws
// filesystem_error when it cannot be deleted.
void borrarDocumento(const std::filesystem::path& archivo) {
    std::error_code ec;
    const auto estado = std::filesystem::symlink_status(archivo, ec);
    if (std::filesystem::is_directory(estado)) {
        throw std::filesystem::filesystem_error("cannot remove", archivo,
                                                std::make_error_code(std::errc::is_a_directory));
    }
    std::filesystem::remove(archivo, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) {
        throw std::filesystem::filesystem_error("cannot remove", archivo, ec);
    }
}

} // namespace

std::optional<RangoFechas> rangoDeFechas(std::string_view desde, std::string_view hasta) {
    if (recortar(desde).empty()) {
        return std::nullopt;
    }
    RangoFechas r{fechaObligada(desde), fechaObligada(hasta)};
    r.hasta.hora = 23;
    r.hasta.minuto = 59;
    r.hasta.segundo = 59;
    return r;
}

Sentencia consultaOrigen(BaseDatos& db) {
    return db.preparar("SELECT tipo, nombre, apellido1, apellido2 FROM OrigenDestino "
                       "WHERE dn = ? ORDER BY rowid LIMIT 1");
}

std::string nombreOrigen(Sentencia& origen, const std::string& dn) {
    origen.reiniciar();
    origen.vincular(1, dn);
    if (!origen.paso()) {
        return {};
    }
    if (origen.entero(0) == 3) {
        return recortar(origen.texto(1) + " " + origen.texto(2) + " " + origen.texto(3));
    }
    return recortar(origen.texto(1));
}

std::string lineaLista(std::string_view origen, std::string_view numero, std::string_view fecha,
                       std::string_view referencia) {
    return columna(origen, kAnchoOrigen, kAnchoOrigen) + kSeparadorLista +
           columna(numero, kMaximoNumero, kAnchoNumero) + kSeparadorLista +
           columna(fecha, kAnchoFecha, kAnchoFecha) + kSeparadorLista +
           columna(referencia, kAnchoReferencia, kAnchoReferencia);
}

std::string cabeceraLista() {
    const std::string entre(std::string_view(kSeparadorLista).size(), ' ');
    return rellenar("Origen", kAnchoOrigen) + entre + rellenar("Nº proced.", kAnchoNumero) + entre +
           rellenar("Fecha / Hora", kAnchoFecha) + entre + "Referencia";
}

std::vector<NotificacionLista> notificacionesDeLista(BaseDatos& db,
                                                     const std::optional<RangoFechas>& rango) {
    // The type is looked up on its own so that a notification whose type is missing from
    // the catalogue (which its refresh replaces) still shows, and shows once.
    std::string sql = "SELECT c.IdLexNet, c.Asunto, c.NumeroProcedimiento, c.Referencia, "
                      "c.dnOrigen, c.FechaEnvio, "
                      "(SELECT t.descrTipoProcedimiento FROM TipoProcedimiento t "
                      "WHERE t.codigoTipoProcedimiento = c.CodTipoProcedimiento "
                      "ORDER BY t.rowid LIMIT 1) "
                      "FROM Cabecera c WHERE c.Descargado = 0";
    filtroFechas(sql, rango);
    sql += " ORDER BY c.FechaEnvio DESC, c.rowid";
    Sentencia s = db.preparar(sql);
    vincularFechas(s, rango);
    Sentencia origen = consultaOrigen(db);

    std::vector<NotificacionLista> lista;
    while (s.paso()) {
        NotificacionLista n;
        n.idLexNet = s.texto(0);
        n.asunto = recortar(s.texto(1));
        const std::string numero = s.texto(2);
        n.numero = recortar(numero);
        n.origen = nombreOrigen(origen, s.texto(4));
        n.fecha = fechaPantalla(s.valor(5));
        n.tipo = recortar(s.texto(6));
        n.linea = lineaLista(n.origen, numero, s.esNulo(5) ? kSinFecha : n.fecha, s.texto(3));
        lista.push_back(std::move(n));
    }
    return lista;
}

bool hayAdjuntosIncompletos(BaseDatos& db, const std::optional<RangoFechas>& rango) {
    std::string sql = "SELECT 1 FROM Cabecera c INNER JOIN Adjuntos a ON c.IdLexNet = a.IdLexNet "
                      "WHERE a.Completo = 0";
    filtroFechas(sql, rango);
    Sentencia s = db.preparar(sql);
    vincularFechas(s, rango);
    return s.paso();
}

void avisarAdjuntosIncompletos(BaseDatos& db, const std::optional<RangoFechas>& rango,
                               Interaccion& ui) {
    if (hayAdjuntosIncompletos(db, rango)) {
        ui.mensaje(kAvisoIncompletos, kTituloLista, Icono::Exclamacion, Botones::Aceptar);
    }
}

DetalleNotificacion detalleNotificacion(BaseDatos& db, std::string_view idLexNet) {
    DetalleNotificacion d;
    // An empty identifier would match the writs not sent yet.
    if (!idLexNet.empty()) {
        if (const auto envio = db.primeraFila("SELECT IdEnvio, FechaGen FROM MensajeEnvio "
                                              "WHERE IdEnvio = ? ORDER BY rowid LIMIT 1",
                                              idLexNet)) {
            d.acuse = kPrefijoAcuse + recortar(fechaPantalla((*envio)[1]));
        }
    }
    Sentencia s = db.preparar("SELECT NombreQuarel, Completo FROM Adjuntos WHERE IdLexNet = ? "
                              "ORDER BY IdOrdenAdjunto, rowid",
                              idLexNet);
    while (s.paso()) {
        AdjuntoLista a;
        a.nombreQuarel = s.texto(0);
        a.completo = s.logico(1);
        a.texto = a.completo ? a.nombreQuarel : a.nombreQuarel + kMarcaIncompleto;
        d.hayIncompletos = d.hayIncompletos || !a.completo;
        d.adjuntos.push_back(std::move(a));
    }
    return d;
}

std::string nombreArchivoSeguro(std::string_view nombre) {
    if (esNombreSimple(nombre)) {
        return std::string(nombre);
    }
    if (soloPuntos(nombre)) {
        return {};
    }
    std::string r(nombre);
    std::replace_if(
        r.begin(), r.end(), [](char c) { return esCaracterProhibido(c) || esCaracterWindows(c); },
        '_');
    return esNombreReservadoWindows(r) ? "_" + r : r;
}

std::optional<std::filesystem::path> rutaDocumento(const std::string& carpetaDescargas,
                                                   const AdjuntoLista& adjunto) {
    if (!adjunto.completo || carpetaDescargas.empty()) {
        return std::nullopt;
    }
    const std::string nombre = nombreArchivoSeguro(recortar(adjunto.nombreQuarel));
    if (nombre.empty()) {
        return std::nullopt;
    }
    return comoRuta(carpetaDescargas) / comoRuta(nombre);
}

bool esDocumentoEjecutable(const std::filesystem::path& archivo) {
    static constexpr std::array<std::string_view, 17> kTipos = {
        "EXE", "COM", "BAT", "CMD", "SCR", "PIF", "MSI", "VBS",    "JS",
        "JSE", "WSF", "HTA", "LNK", "PS1", "JAR", "SH",  "DESKTOP"};
    // Windows ignores the dots and blanks that end a name.
    std::string nombre = comoTexto(archivo.filename());
    while (!nombre.empty() && (nombre.back() == '.' || nombre.back() == ' ')) {
        nombre.pop_back();
    }
    const auto punto = nombre.rfind('.');
    const std::string tipo = punto == std::string::npos ? "" : mayusculas(nombre.substr(punto + 1));
    return (!tipo.empty() && std::find(kTipos.begin(), kTipos.end(), tipo) != kTipos.end()) ||
           tienePermisoEjecucion(archivo);
}

void verAdjunto(const Ajustes& g, Interaccion& ui, const AdjuntoLista* seleccionado) {
    if (seleccionado == nullptr) {
        ui.mensaje(kSeleccioneAdjunto, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return;
    }
    if (const auto ruta = rutaDocumento(g.CarpetaDescargas, *seleccionado)) {
        // Opening would run it, not show it.
        if (esDocumentoEjecutable(*ruta)) {
            ui.mensaje(kDocumentoEjecutable + comoTexto(ruta->filename()), kTituloAtencion,
                       Icono::Exclamacion, Botones::Aceptar);
            return;
        }
        ui.abrirArchivo(*ruta);
    }
}

bool eliminarNotificacion(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                          std::string_view idLexNet) {
    if (ui.mensaje(kPreguntaEliminar, kTituloLista, Icono::Pregunta, Botones::SiNo) !=
        Respuesta::Si) {
        return false;
    }
    PunteroOcupado puntero(ui);
    const std::string id = recortar(idLexNet);
    try {
        std::vector<std::string> nombres;
        {
            Sentencia s = db.preparar("SELECT NombreQuarel FROM Adjuntos WHERE IdLexNet = ? "
                                      "ORDER BY IdOrdenAdjunto, rowid",
                                      id);
            while (s.paso()) {
                nombres.push_back(recortar(s.texto(0)));
            }
        }
        for (const std::string& nombre : nombres) {
            if (nombre.empty() || g.CarpetaDescargas.empty()) {
                continue;
            }
            const std::string seguro = nombreArchivoSeguro(nombre);
            if (!seguro.empty()) {
                borrarDocumento(comoRuta(g.CarpetaDescargas) / comoRuta(seguro));
            }
        }
        Transaccion t(db);
        db.ejecutar("DELETE FROM Adjuntos WHERE IdLexNet = ?", id);
        db.ejecutar("DELETE FROM Cabecera WHERE IdLexNet = ?", id);
        // The office's own records of it go with it.
        db.ejecutar("DELETE FROM PlazoNotificacion WHERE IdLexNet = ?", id);
        db.ejecutar("DELETE FROM PrimeraDescarga WHERE IdLexNet = ?", id);
        t.confirmar();
    } catch (const std::filesystem::filesystem_error& e) {
        ui.mensaje(textoError(e.code(), e.path1()), kTituloErrorEliminar, Icono::Ninguno,
                   Botones::Aceptar);
        return false;
    } catch (const ErrorBaseDatos& e) {
        ui.mensaje("Error " + std::to_string(e.codigo()) + "-" + e.what(), kTituloErrorEliminar,
                   Icono::Ninguno, Botones::Aceptar);
        return false;
    }
    return true;
}

CajaFecha alEntrarEnFecha(const CajaFecha& caja) {
    if ((!caja.texto.empty() || caja.limite == 10) && caja.limite != 8) {
        const auto trozo = [&](std::size_t desde, std::size_t n) {
            return desde >= caja.texto.size() ? std::string() : caja.texto.substr(desde, n);
        };
        return {trozo(0, 2) + trozo(3, 2) + trozo(6, 4), 8};
    }
    return caja;
}

bool caracterDeFechaAdmitido(char32_t caracter) {
    return (caracter >= U'0' && caracter <= U'9') || caracter == U'\b';
}

std::optional<CajaFecha> alSalirDeFecha(const CajaFecha& caja) {
    if (caja.limite != 8) {
        return caja;
    }
    if (caja.texto.empty()) {
        return CajaFecha{"", 10};
    }
    if (!fechaDeCaja(caja.texto) || caja.texto.size() != 8) {
        return std::nullopt;
    }
    std::string texto = caja.texto;
    ValidarFecha(texto);
    return CajaFecha{texto, 10};
}

FechaYReferencia fechaYReferencia(BaseDatos& db, std::string_view idLexNet) {
    FechaYReferencia r;
    if (const auto fila = db.primeraFila("SELECT FechaEnvio, Referencia FROM Cabecera "
                                         "WHERE IdLexNet = ? ORDER BY rowid LIMIT 1",
                                         idLexNet)) {
        const auto f = FechaHora::desdeTexto((*fila)[0].texto());
        r.fecha = f ? f->textoPantalla() : (*fila)[0].texto();
        r.referencia = (*fila)[1].texto();
    }
    return r;
}
