#include "download/Cabeceras.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "protocol/LecturaArbol.h"
#include "protocol/Respuesta.h"
#include "storage/BaseDatos.h"

#include <memory>

namespace {

constexpr std::size_t kLongitudReferencia = 100;
constexpr std::size_t kLongitudTextoTipo = 255;

int tipoDeRemitente(std::string_view nombre) {
    if (nombre == "organoJudicial") {
        return 1;
    }
    if (nombre == "entidad") {
        return 2;
    }
    if (nombre == "profesional") {
        return 3;
    }
    return 0;
}

std::string* campoDeRemitente(RemitenteLeido& r, std::string_view nombre) {
    switch (r.tipo) {
    case 1:
        if (nombre == "codigoPoblacion") {
            return &r.codPartidoJudicial;
        }
        if (nombre == "tipoOrgano") {
            return &r.tipoOrgano;
        }
        if (nombre == "numeroOrgano") {
            return &r.numeroOrgano;
        }
        break;
    case 2:
        if (nombre == "partidoJudicial") {
            return &r.codPartidoJudicial;
        }
        break;
    case 3:
        if (nombre == "nif") {
            return &r.cif;
        }
        if (nombre == "apellido1") {
            return &r.apellido1;
        }
        if (nombre == "apellido2") {
            return &r.apellido2;
        }
        if (nombre == "email") {
            return &r.email;
        }
        if (nombre == "codigo") {
            return &r.codigoProfesional;
        }
        break;
    default:
        return nullptr;
    }
    if (nombre == "dn") {
        return &r.dn;
    }
    if (nombre == "nombre") {
        return &r.nombre;
    }
    return nullptr;
}

std::string* campoDeCabecera(CabeceraLeida& c, std::string_view nombre) {
    struct Campo {
        std::string_view nombre;
        std::string CabeceraLeida::*campo;
    };
    static constexpr Campo kCampos[] = {
        {"id", &CabeceraLeida::id},
        {"leido", &CabeceraLeida::leido},
        {"fechaUltimaDescarga", &CabeceraLeida::fechaUltimaDescarga},
        {"asunto", &CabeceraLeida::asunto},
        {"codigo", &CabeceraLeida::codigo},
        {"texto", &CabeceraLeida::texto},
        {"leyAntigua", &CabeceraLeida::leyAntigua},
        {"numeroProcedimiento", &CabeceraLeida::numeroProcedimiento},
        {"referencia", &CabeceraLeida::referencia},
        {"idExterno", &CabeceraLeida::idExterno},
        {"nombreSistema", &CabeceraLeida::nombreSistema},
        {"fechaEnvio", &CabeceraLeida::fechaEnvio},
    };
    for (const Campo& k : kCampos) {
        if (k.nombre == nombre) {
            return &(c.*k.campo);
        }
    }
    return nullptr;
}

// The sender's fields between its element `s` and `fin`; a professional's organisation is
// a block of its own inside.
void leerRemitente(const ArbolRespuesta& a, Nodo s, Nodo fin, RemitenteLeido& r,
                   std::optional<RemitenteLeido>* entidad) {
    for (Nodo n = s + 1; n <= fin; ++n) {
        if (!esElemento(a, n)) {
            continue;
        }
        const std::string_view nombre = a.texto(n);
        if (entidad != nullptr && nombre == "entidad") {
            const Nodo finEntidad = finDeBloque(a, n, "datos", fin);
            RemitenteLeido e;
            e.tipo = 2;
            leerRemitente(a, n, finEntidad, e, nullptr);
            *entidad = std::move(e);
            n = finEntidad;
            continue;
        }
        if (std::string* campo = campoDeRemitente(r, nombre)) {
            *campo = valorTexto(a, n);
        }
    }
}

CabeceraLeida leerCabecera(const ArbolRespuesta& a, Nodo h, Nodo fin) {
    CabeceraLeida c;
    for (Nodo n = h + 1; n <= fin; ++n) {
        if (!esElemento(a, n)) {
            continue;
        }
        const std::string_view nombre = a.texto(n);
        if (const int tipo = tipoDeRemitente(nombre); tipo != 0) {
            // The block ends with its element, or at "datos" when its fields follow it.
            const Nodo finRemitente = finDeBloque(a, n, "datos", fin);
            if (c.remitente.tipo == 0) {
                c.remitente.tipo = tipo;
                leerRemitente(a, n, finRemitente, c.remitente, tipo == 3 ? &c.entidad : nullptr);
            }
            n = finRemitente;
            continue;
        }
        if (std::string* campo = campoDeCabecera(c, nombre)) {
            *campo = valorTexto(a, n);
        }
    }
    return c;
}

std::optional<FechaHora> fechaObligada(std::string_view valor) {
    if (recortar(valor).empty()) {
        return std::nullopt;
    }
    const auto f = fechaLexnet(valor);
    if (!f) {
        throw ErrorConversion(ErrorConversion::kTiposNoCoinciden);
    }
    return f;
}

// Bound once, run for every header.
class Grabador {
public:
    explicit Grabador(BaseDatos& db)
        : buscarRemitente_(db.preparar("SELECT 1 FROM OrigenDestino WHERE dn = ?")),
          anadirRemitente_(db.preparar(
              "INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2, cif, email, "
              "codigoProfesional, dnRelacionado, codPartidoJudicial, tipoOrgano, numeroOrgano) "
              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
          buscarTipo_(
              db.preparar("SELECT 1 FROM TipoProcedimiento WHERE codigoTipoProcedimiento = ?")),
          anadirTipo_(db.preparar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                                  "descrTipoProcedimiento, LeyAntigua) VALUES (?, ?, ?)")),
          buscarCabecera_(db.preparar("SELECT 1 FROM Cabecera WHERE IdLexNet = ?")),
          anadirCabecera_(db.preparar(
              "INSERT INTO Cabecera (IdLexNet, Leido, FechaUltimaDescarga, dnOrigen, Asunto, "
              "CodTipoProcedimiento, NumeroProcedimiento, Referencia, IdExterno, NombreSIstema, "
              "FechaEnvio, Descargado) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)")) {}

    // True when the notification is new.
    bool grabar(const CabeceraLeida& c) {
        grabarRemitente(c.remitente, c.entidad ? &*c.entidad : nullptr);
        if (c.remitente.tipo == 3 && c.entidad) {
            grabarRemitente(*c.entidad, nullptr);
        }
        if (!buscarTipo_.hayFila(c.codigo)) {
            anadirTipo_.vincularTodos(c.codigo, primerosCaracteres(c.texto, kLongitudTextoTipo),
                                      logicoLexnet(c.leyAntigua));
            anadirTipo_.ejecutarYReiniciar();
        }
        if (buscarCabecera_.hayFila(c.id)) {
            return false;
        }
        const bool leido = logicoLexnet(c.leido);
        const std::optional<FechaHora> ultimaDescarga = fechaObligada(c.fechaUltimaDescarga);
        const std::optional<FechaHora> envio = fechaObligada(c.fechaEnvio);
        anadirCabecera_.vincularTodos(c.id, leido, ultimaDescarga, c.remitente.dn, c.asunto,
                                      c.codigo, c.numeroProcedimiento,
                                      primerosCaracteres(c.referencia, kLongitudReferencia),
                                      c.idExterno, c.nombreSistema, envio);
        anadirCabecera_.ejecutarYReiniciar();
        return true;
    }

private:
    // A sender without a "dn" has nothing to be found by again: it is not stored.
    void grabarRemitente(const RemitenteLeido& r, const RemitenteLeido* entidad) {
        if (r.tipo == 0 || r.dn.empty() || buscarRemitente_.hayFila(r.dn)) {
            return;
        }
        const auto siTipo = [&](int tipo, const std::string& v) -> std::optional<std::string> {
            return r.tipo == tipo ? std::optional<std::string>(v) : std::nullopt;
        };
        const std::optional<std::string> relacionado = entidad && !entidad->dn.empty()
                                                           ? std::optional<std::string>(entidad->dn)
                                                           : std::nullopt;
        const std::optional<std::string> partido =
            r.tipo == 3 ? std::nullopt : std::optional<std::string>(r.codPartidoJudicial);
        anadirRemitente_.vincularTodos(r.tipo, r.dn, r.nombre, siTipo(3, r.apellido1),
                                       siTipo(3, r.apellido2), siTipo(3, r.cif), siTipo(3, r.email),
                                       siTipo(3, r.codigoProfesional), relacionado, partido,
                                       siTipo(1, r.tipoOrgano), siTipo(1, r.numeroOrgano));
        anadirRemitente_.ejecutarYReiniciar();
    }

    Sentencia buscarRemitente_;
    Sentencia anadirRemitente_;
    Sentencia buscarTipo_;
    Sentencia anadirTipo_;
    Sentencia buscarCabecera_;
    Sentencia anadirCabecera_;
};

[[noreturn]] void errorGrabando(Interaccion& ui, long numero, const std::string& descripcion) {
    mostrarError(ui, numero, descripcion, UnionError::Guion, "", Icono::Critico);
    terminarPrograma(ui, 1);
}

} // namespace

std::vector<CabeceraLeida> leerCabeceras(const ArbolRespuesta& a) {
    std::vector<CabeceraLeida> cabeceras;
    Nodo h = 1;
    while (h <= a.tamano() && !esElemento(a, h, "cabecera")) {
        ++h;
    }
    for (; h != 0 && h <= a.tamano(); h = a.siguienteHermano(h)) {
        if (!esElemento(a, h, "cabecera")) {
            continue;
        }
        Nodo fin = a.tamano();
        if (a.hijo(h) != 0) {
            fin = a.ultimoDescendiente(h);
        } else {
            // Fields written after an empty "cabecera": up to the next header.
            for (Nodo n = h + 1; n <= a.tamano(); ++n) {
                if (esElemento(a, n, "cabecera")) {
                    fin = n - 1;
                    break;
                }
            }
        }
        cabeceras.push_back(leerCabecera(a, h, fin));
    }
    return cabeceras;
}

int GrabarCabeceras(const ArbolRespuesta& vista, BaseDatos& db, Interaccion& ui,
                    std::vector<std::string>* nuevas) {
    const std::vector<CabeceraLeida> cabeceras = leerCabeceras(vista);
    if (cabeceras.empty()) {
        return 0;
    }
    int cuenta = 0;
    std::unique_ptr<Transaccion> transaccion;
    // What was stored before a failure stays stored.
    const auto guardarLoHecho = [&] {
        if (transaccion) {
            try {
                transaccion->confirmar();
            } catch (const ErrorBaseDatos&) {
                // The failure itself is what the user is told about.
            }
        }
    };
    try {
        transaccion = std::make_unique<Transaccion>(db);
        Grabador grabador(db);
        for (const CabeceraLeida& c : cabeceras) {
            // A header without its identifier cannot be asked for nor told apart.
            if (c.id.empty()) {
                continue;
            }
            if (grabador.grabar(c)) {
                ++cuenta;
                if (nuevas) {
                    nuevas->push_back(c.id);
                }
            }
        }
        transaccion->confirmar();
    } catch (const ErrorConversion& e) {
        guardarLoHecho();
        errorGrabando(ui, e.numero(), e.descripcion());
    } catch (const ErrorBaseDatos& e) {
        guardarLoHecho();
        errorGrabando(ui, e.codigo(), e.what());
    }
    return cuenta;
}
