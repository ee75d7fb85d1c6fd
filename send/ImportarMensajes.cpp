#include "send/ImportarMensajes.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "storage/BaseDatos.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTitulo = kTituloAtencionDosPuntos;
constexpr const char* kFinImportando = ".importando";
constexpr std::size_t kFallosMostrados = 10;

// A failure whose text is ready to show after the heading of the message.
class Rechazo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file left by an import cut short between renaming its file and deleting it; its
// writs are stored when the highest writ number ever given exceeds `secuencia`.
struct Resto {
    std::string ruta;
    std::int64_t secuencia = 0;
};

struct Leido {
    std::string ruta;
    std::string bytes;
    std::vector<EscritoQuarel> escritos;
};

std::string nombreDe(const fs::path& p) {
    return comoTexto(p.filename());
}

// MENSAJES.TXT, or another spelling of it on a file system that tells case apart.
std::optional<std::string> buscarMensajes(const std::string& carpeta) {
    std::error_code ec;
    const std::string exacta = carpeta + kArchivoMensajes;
    if (fs::is_regular_file(comoRuta(exacta), ec)) {
        return exacta;
    }
    for (fs::directory_iterator it(comoRuta(carpeta), ec), fin; !ec && it != fin;
         it.increment(ec)) {
        if (igualesSinMayusculas(nombreDe(it->path()), kArchivoMensajes) &&
            it->is_regular_file(ec)) {
            return comoTexto(it->path());
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> secuenciaDeResto(std::string_view nombre) {
    const std::string inicio = std::string(kArchivoMensajes) + ".";
    if (!nombre.starts_with(inicio) || !nombre.ends_with(kFinImportando)) {
        return std::nullopt;
    }
    nombre.remove_prefix(inicio.size());
    nombre.remove_suffix(std::string_view(kFinImportando).size());
    std::int64_t n = 0;
    const auto r = std::from_chars(nombre.data(), nombre.data() + nombre.size(), n);
    if (nombre.empty() || r.ec != std::errc() || r.ptr != nombre.data() + nombre.size() || n < 0) {
        return std::nullopt;
    }
    return n;
}

std::vector<Resto> buscarRestos(const std::string& carpeta) {
    std::vector<Resto> restos;
    std::error_code ec;
    for (fs::directory_iterator it(comoRuta(carpeta), ec), fin; !ec && it != fin;
         it.increment(ec)) {
        if (const auto n = secuenciaDeResto(nombreDe(it->path())); n && it->is_regular_file(ec)) {
            restos.push_back({comoTexto(it->path()), *n});
        }
    }
    return restos;
}

std::string leer(const std::string& ruta) {
    std::ifstream f(comoRuta(ruta), std::ios::binary);
    std::ostringstream contenido;
    if (!f || !(contenido << f.rdbuf()) || f.bad()) {
        // An empty file gives no characters to copy, which is not a failure.
        std::error_code ec;
        if (f && fs::file_size(comoRuta(ruta), ec) == 0 && !ec) {
            return {};
        }
        throw Rechazo("No se puede leer el archivo " + ruta + ".");
    }
    return contenido.str();
}

std::string lineaDeFallo(const Leido& l, std::size_t numero, const std::string& fallo,
                         bool variosArchivos) {
    std::string r = variosArchivos ? nombreDe(comoRuta(l.ruta)) + ", línea " : "Línea ";
    return r + std::to_string(numero) + ": " + fallo + ".";
}

std::int64_t secuenciaEscritos(BaseDatos& db) {
    const auto v = db.primerValor("SELECT seq FROM sqlite_sequence WHERE name = ?", "MensajeEnvio");
    return v ? v->entero() : 0;
}

std::int64_t guardarEscrito(BaseDatos& db, const EscritoQuarel& e, const FechaHora& fecha) {
    db.ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, TipoProcedimiento, "
                "Destinatario, Adjunto, IdEnvio, TamBloque, Subido, FechaGen, FechaFirma) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                e.NumeroProcedimiento, e.Referencia, e.TipoProcedimiento, e.Destinatario, e.Adjunto,
                "", 0, 0, fecha, "");
    const std::int64_t id = db.ultimoId();
    for (const std::string& d : e.destinos) {
        db.ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, ?)", id, d);
    }
    for (const std::string& a : e.adjuntos) {
        db.ejecutar("INSERT INTO MensajeAdjunto (IdMensajeAdjunto, Adjunto) VALUES (?, ?)", id, a);
    }
    return id;
}

void borrarSinError(const std::string& ruta) {
    std::error_code ec;
    fs::remove(comoRuta(ruta), ec);
}

// Throws, with the text to show, when nothing could be stored.
void importar(const Ajustes& g, BaseDatos& db, Interaccion& ui, ResultadoImportacion& r) {
    const std::string carpeta = g.CarpetaEnvios;
    r.archivo = carpeta + kArchivoMensajes;
    const std::optional<std::string> mensajes = buscarMensajes(carpeta);
    const std::vector<Resto> restos = buscarRestos(carpeta);
    if (!mensajes && restos.empty()) {
        return;
    }
    r.encontrado = true;

    // The write lock is taken before reading, so that two programs never import one file.
    Transaccion transaccion(db);
    const std::int64_t antes = secuenciaEscritos(db);

    std::vector<std::string> fuentes;
    std::vector<std::string> pendientes;
    for (const Resto& resto : restos) {
        if (antes > resto.secuencia) {
            borrarSinError(resto.ruta);
        } else {
            fuentes.push_back(resto.ruta);
            pendientes.push_back(resto.ruta);
        }
    }
    if (mensajes) {
        fuentes.push_back(*mensajes);
    }
    if (fuentes.empty()) {
        return;
    }
    r.archivo = mensajes ? *mensajes : fuentes.front();

    std::vector<Leido> leidos;
    std::vector<std::string> fallos;
    for (const std::string& ruta : fuentes) {
        Leido l{ruta, leer(ruta), {}};
        for (const LineaMensajes& linea : lineasDeMensajes(textoDeMensajes(l.bytes))) {
            ui.estado(std::string(kTextoImportando) + "\r\n" + linea.texto);
            LineaAnalizada a = analizarLinea(linea.texto);
            if (a.escrito) {
                l.escritos.push_back(std::move(*a.escrito));
            } else {
                fallos.push_back(lineaDeFallo(l, linea.numero, a.fallo, fuentes.size() > 1));
            }
        }
        leidos.push_back(std::move(l));
    }
    if (!fallos.empty()) {
        std::string lista;
        for (std::size_t i = 0; i < fallos.size() && i < kFallosMostrados; ++i) {
            lista += fallos[i] + "\r\n";
        }
        if (fallos.size() > kFallosMostrados) {
            lista += "Y " + std::to_string(fallos.size() - kFallosMostrados) +
                     " líneas más con errores.\r\n";
        }
        throw Rechazo(lista + "\r\nEl archivo sigue en la carpeta de envíos: corríjalo y "
                              "vuelva a importarlo.");
    }

    const FechaHora ahora = FechaHora::ahora();
    for (const Leido& l : leidos) {
        for (const EscritoQuarel& e : l.escritos) {
            r.escritos.push_back(guardarEscrito(db, e, ahora));
        }
    }

    // Out of the way before the commit, under a name that tells the next import whether
    // the commit happened.
    std::string apartado;
    const auto devolver = [&] {
        std::error_code ec;
        if (mensajes && !apartado.empty() && !fs::exists(comoRuta(*mensajes), ec)) {
            fs::rename(comoRuta(apartado), comoRuta(*mensajes), ec);
        }
    };
    if (mensajes) {
        const std::string destino =
            carpeta + kArchivoMensajes + "." + std::to_string(antes) + kFinImportando;
        std::error_code ec;
        fs::rename(comoRuta(*mensajes), comoRuta(destino), ec);
        if (ec) {
            throw Rechazo("No se puede apartar el archivo para terminar la importación: " +
                          ec.message() + ".");
        }
        apartado = destino;
    }
    try {
        if (mensajes && leer(apartado) != leidos.back().bytes) {
            throw Rechazo("El archivo ha cambiado mientras se importaba: vuelva a importarlo.");
        }
        transaccion.confirmar();
    } catch (...) {
        devolver();
        throw;
    }
    // Should a deletion fail, the next import finds the file already imported.
    if (mensajes) {
        borrarSinError(apartado);
    }
    for (const std::string& p : pendientes) {
        borrarSinError(p);
    }
}

} // namespace

ResultadoImportacion ImportarMensajes(const Ajustes& g, BaseDatos& db, Interaccion& ui) {
    ResultadoImportacion r;
    std::string aviso;
    {
        const PunteroOcupado ocupado(ui);
        ui.estado(kTextoImportando);
        try {
            importar(g, db, ui, r);
        } catch (const Rechazo& e) {
            aviso = e.what();
        } catch (const std::exception& e) {
            aviso = std::string(e.what()) +
                    "\r\n\r\nEl archivo sigue en la carpeta de envíos: vuelva a importarlo.";
        }
        ui.estado("");
    }
    if (!aviso.empty()) {
        r.rechazado = true;
        r.escritos.clear();
        ui.mensaje("No se ha importado ningún escrito del archivo " + r.archivo + ".\r\n\r\n" +
                       aviso,
                   kTitulo, Icono::Exclamacion, Botones::Aceptar);
    }
    return r;
}
