#include "send/Directorio.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "protocol/LecturaArbol.h"
#include "protocol/Respuesta.h"
#include "storage/BaseDatos.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <unordered_set>

namespace {

// The width of a procedure type's description column.
constexpr std::size_t kLargoDescripcion = 255;

using Campo = std::string DestinatarioLeido::*;

struct NombreCampo {
    std::string_view nombre;
    Campo campo;
};

using D = DestinatarioLeido;
constexpr NombreCampo kCamposOrgano[] = {{"codigoPoblacion", &D::codigoPoblacion},
                                         {"tipoOrgano", &D::tipoOrgano},
                                         {"numeroOrgano", &D::numeroOrgano},
                                         {"dn", &D::dn},
                                         {"nombre", &D::nombre}};
constexpr NombreCampo kCamposEntidad[] = {{"nombre", &D::nombre},
                                          {"partidoJudicial", &D::partidoJudicial},
                                          {"tipo", &D::tipo},
                                          {"dn", &D::dn}};
constexpr NombreCampo kCamposProfesional[] = {{"certificado", &D::certificado},
                                              {"nif", &D::nif},
                                              {"nombre", &D::nombre},
                                              {"apellido1", &D::apellido1},
                                              {"apellido2", &D::apellido2},
                                              {"email", &D::email},
                                              {"dn", &D::dn},
                                              {"tipo", &D::tipo},
                                              {"codigo", &D::codigo},
                                              {"codigoColegiado", &D::codigoColegiado}};

std::span<const NombreCampo> camposDe(ClaseDestinatario clase) {
    switch (clase) {
    case ClaseDestinatario::Organo:
        return kCamposOrgano;
    case ClaseDestinatario::Entidad:
        return kCamposEntidad;
    case ClaseDestinatario::Profesional:
        return kCamposProfesional;
    }
    return {};
}

std::optional<ClaseDestinatario> claseDe(std::string_view nombre) {
    if (nombre == "organoJudicial") {
        return ClaseDestinatario::Organo;
    }
    if (nombre == "entidad") {
        return ClaseDestinatario::Entidad;
    }
    if (nombre == "profesional") {
        return ClaseDestinatario::Profesional;
    }
    return std::nullopt;
}

// An element's name in the tree, without the attributes written after it: a namespace
// declaration or a type attribute does not change what the element is.
std::string_view nombreDe(const ArbolRespuesta& a, Nodo n) {
    const std::string_view t = a.texto(n);
    return t.substr(0, t.find(" ["));
}

bool es(const ArbolRespuesta& a, Nodo n, std::string_view nombre) {
    return esElemento(a, n) && nombreDe(a, n) == nombre;
}

// The first node from `desde` to `hasta` that is an element named `nombre`; 0 when none.
Nodo primero(const ArbolRespuesta& a, std::string_view nombre, Nodo desde = 1,
             Nodo hasta = SIZE_MAX) {
    for (Nodo n = desde; n <= a.tamano() && n <= hasta; ++n) {
        if (es(a, n, nombre)) {
            return n;
        }
    }
    return 0;
}

// The first element after `n` up to `fin`; 0 when there is none.
Nodo siguienteElemento(const ArbolRespuesta& a, Nodo n, Nodo fin) {
    for (Nodo i = n + 1; i <= fin; ++i) {
        if (esElemento(a, i)) {
            return i;
        }
    }
    return 0;
}

// The last node of the block opened by the element `n`, never beyond `limite`: its content,
// or, when it is empty, the nodes up to the next element named `cierre`.
Nodo finDe(const ArbolRespuesta& a, Nodo n, std::string_view cierre, Nodo limite) {
    if (a.hijo(n) != 0) {
        return std::min(a.ultimoDescendiente(n), limite);
    }
    const Nodo siguiente = primero(a, cierre, n + 1, limite);
    return siguiente != 0 ? siguiente - 1 : limite;
}

// The fields of the block opened by `inicio` (its content, or the nodes up to `fin` when
// the element is empty and its fields follow it). For a professional, a nested "entidad"
// is read as an entity of its own.
void leerCampos(const ArbolRespuesta& a, Nodo inicio, Nodo fin, DestinatarioLeido& d,
                std::optional<DestinatarioLeido>* entidad) {
    const std::span<const NombreCampo> campos = camposDe(d.clase);
    for (Nodo n = inicio + 1; n <= fin; ++n) {
        if (!esElemento(a, n)) {
            continue;
        }
        const std::string_view nombre = nombreDe(a, n);
        if (entidad != nullptr && nombre == "entidad") {
            const Nodo finEntidad = finDe(a, n, "entidad", fin);
            DestinatarioLeido e;
            e.clase = ClaseDestinatario::Entidad;
            leerCampos(a, n, finEntidad, e, nullptr);
            if (!*entidad) {
                *entidad = std::move(e);
            }
            n = finEntidad;
            continue;
        }
        for (const NombreCampo& c : campos) {
            if (c.nombre == nombre) {
                d.*c.campo = valorTexto(a, n);
                break;
            }
        }
    }
}

[[noreturn]] void errorGrabando(Interaccion& ui, long numero, const std::string& descripcion) {
    mostrarError(ui, numero, descripcion, UnionError::Guion, "", Icono::Ninguno);
    terminarPrograma(ui, 1);
}

// Runs `grabar` inside one transaction; any failure rolls it back before it is shown.
template <class F> ResultadoGrabacion enTransaccion(BaseDatos& db, Interaccion& ui, F grabar) {
    try {
        Transaccion t(db);
        ResultadoGrabacion r = grabar();
        t.confirmar();
        return r;
    } catch (const ErrorConversion& e) {
        errorGrabando(ui, e.numero(), e.descripcion());
    } catch (const ErrorBaseDatos& e) {
        errorGrabando(ui, e.codigo(), e.what());
    }
}

// Bound once, run for every record.
class GrabadorDirectorio {
public:
    // On a table just emptied.
    explicit GrabadorDirectorio(BaseDatos& db)
        : anadir_(
              db.preparar("INSERT INTO OrigenDestino (tipo, dn, codPartidoJudicial, tipoOrgano, "
                          "numeroOrgano, nombre, tipoDestino, apellido1, apellido2, cif, email, "
                          "codigoProfesional, certificado, codigo, codigoColegiado, dnRelacionado) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")) {}

    // True when a row was added. A record without a `dn` has nothing to repeat it by: it
    // is always stored.
    bool grabar(const DestinatarioLeido& d, const DestinatarioLeido* entidad) {
        if (!d.dn.empty() && !claves_.insert(mayusculas(d.dn)).second) {
            return false;
        }
        using T = std::optional<std::string_view>; // views: a row is bound, never copied
        const auto si = [](bool vale, std::string_view v) { return vale ? T(v) : T(); };
        const bool organo = d.clase == ClaseDestinatario::Organo;
        const bool ent = d.clase == ClaseDestinatario::Entidad;
        const bool prof = d.clase == ClaseDestinatario::Profesional;
        const std::string certificado = recortar(d.certificado).empty() ? " " : d.certificado;
        anadir_.vincularTodos(
            static_cast<int>(d.clase), d.dn,
            organo ? T(d.codigoPoblacion) : si(ent, d.partidoJudicial), si(organo, d.tipoOrgano),
            si(organo, d.numeroOrgano), d.nombre, si(!organo, d.tipo), si(prof, d.apellido1),
            si(prof, d.apellido2), si(prof, d.nif), si(prof, d.email), si(prof, d.codigo),
            si(prof, certificado), si(prof, d.codigo), si(prof, d.codigoColegiado),
            si(prof, entidad ? std::string_view(entidad->dn) : std::string_view()));
        anadir_.ejecutarYReiniciar();
        return true;
    }

private:
    // The table was emptied in this transaction: what it holds is what was added here. Keys
    // compare as the column does, without regard to ASCII case.
    std::unordered_set<std::string> claves_;
    Sentencia anadir_;
};

} // namespace

void recorrerDestinatarios(const ArbolRespuesta& a,
                           const std::function<void(const RegistroDirectorio&)>& registro) {
    for (Nodo n = primero(a, "destinatario"); n != 0; n = primero(a, "destinatario", n + 1)) {
        const Nodo fin = finDe(a, n, "destinatario", a.tamano());
        const Nodo k = siguienteElemento(a, n, fin);
        const std::optional<ClaseDestinatario> clase = claseDe(nombreDe(a, k));
        if (k != 0 && clase) {
            RegistroDirectorio r;
            r.destinatario.clase = *clase;
            const bool profesional = *clase == ClaseDestinatario::Profesional;
            leerCampos(a, k, finDe(a, k, "destinatario", fin), r.destinatario,
                       profesional ? &r.entidad : nullptr);
            registro(r);
        }
        n = fin;
    }
}

std::vector<TipoProcedimientoLeido> leerTiposProcedimiento(const ArbolRespuesta& a) {
    std::vector<TipoProcedimientoLeido> tipos;
    for (Nodo n = primero(a, "tipoProcedimiento"); n != 0;
         n = primero(a, "tipoProcedimiento", n + 1)) {
        const Nodo fin = finDe(a, n, "tipoProcedimiento", a.tamano());
        TipoProcedimientoLeido t;
        for (Nodo i = n + 1; i <= fin; ++i) {
            if (!esElemento(a, i)) {
                continue;
            }
            const std::string_view nombre = nombreDe(a, i);
            std::string* campo = nombre == "codigo"       ? &t.codigo
                                 : nombre == "texto"      ? &t.texto
                                 : nombre == "leyAntigua" ? &t.leyAntigua
                                                          : nullptr;
            if (campo != nullptr) {
                *campo = valorTexto(a, i);
            }
        }
        tipos.push_back(std::move(t));
        n = fin;
    }
    return tipos;
}

ResultadoGrabacion GrabarDestinatarios(const ArbolRespuesta& vista, BaseDatos& db,
                                       Interaccion& ui) {
    return enTransaccion(db, ui, [&] {
        ResultadoGrabacion r;
        db.ejecutar("DELETE FROM OrigenDestino");
        ui.procesarEventos();
        GrabadorDirectorio grabador(db);
        recorrerDestinatarios(vista, [&](const RegistroDirectorio& registro) {
            const DestinatarioLeido* entidad = registro.entidad ? &*registro.entidad : nullptr;
            r.filas += grabador.grabar(registro.destinatario, entidad) ? 1 : 0;
            // A nested entity without a dn names nothing that could be found again.
            if (entidad != nullptr && !entidad->dn.empty()) {
                r.filas += grabador.grabar(*entidad, nullptr) ? 1 : 0;
            }
        });
        return r;
    });
}

ResultadoGrabacion GrabarTiposProcedimiento(const ArbolRespuesta& vista, BaseDatos& db,
                                            Interaccion& ui) {
    return enTransaccion(db, ui, [&] {
        ResultadoGrabacion r;
        db.ejecutar("DELETE FROM TipoProcedimiento");
        Sentencia buscar =
            db.preparar("SELECT 1 FROM TipoProcedimiento WHERE codigoTipoProcedimiento = ?");
        Sentencia anadir = db.preparar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                                       "descrTipoProcedimiento, LeyAntigua) VALUES (?, ?, ?)");
        for (const TipoProcedimientoLeido& t : leerTiposProcedimiento(vista)) {
            if (buscar.hayFila(t.codigo)) {
                continue;
            }
            bool leyAntigua = false;
            try {
                leyAntigua = logicoLexnet(t.leyAntigua);
            } catch (const ErrorConversion&) {
                r.leyAntiguaNoValida.push_back(t.codigo);
            }
            anadir.vincularTodos(t.codigo, primerosCaracteres(recortar(t.texto), kLargoDescripcion),
                                 leyAntigua);
            anadir.ejecutarYReiniciar();
            ++r.filas;
        }
        return r;
    });
}
