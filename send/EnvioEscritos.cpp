#include "send/EnvioEscritos.h"

#include "card/Tarjeta.h"
#include "core/Interaccion.h"
#include "core/Texto.h"
#include "platform/TemporalesPropios.h"
#include "protocol/ClienteLexnet.h"
#include "protocol/Enc64.h"
#include "send/Corvane.h"
#include "send/DiarioAcuses.h"
#include "send/MensajeSmime.h"
#include "storage/TurnoEjecucion.h"

#include <algorithm>
#include <charconv>
#include <fstream>

using Nodo = ArbolRespuesta::Nodo;

namespace fs = std::filesystem;

namespace {

constexpr const char* kCRLF = "\r\n";
constexpr const char* kNoSeCompletara = "No se completará el envio del mensaje.";

// The 32-bit number a node's text holds; 0 when it holds none.
std::int32_t numero(std::string_view texto) {
    const std::string t = recortar(texto);
    std::int32_t v = 0;
    const auto [fin, error] = std::from_chars(t.data(), t.data() + t.size(), v);
    return error == std::errc() && fin == t.data() + t.size() ? v : 0;
}

// The message files' base name in the program folder; each run adds its own mark.
fs::path baseMensaje(const Ajustes& g) {
    return comoRuta(conSeparadorFinal(g.CarpetaPrograma) + "MIME_TMP");
}

std::string megas(std::uintmax_t bytes) {
    const std::uintmax_t decimas = (bytes * 10 + 512 * 1024) / (1024 * 1024);
    return std::to_string(decimas / 10) + "," + std::to_string(decimas % 10) + " MB";
}

} // namespace

EnvioEscritos::EnvioEscritos(Corvane& corvane, Interaccion& ui, AlmacenTarjeta& almacen,
                             std::size_t indice)
    : g_(corvane.ajustes), db_(corvane.db()), cliente_(corvane.cliente),
      plantillas_(corvane.plantillas), ui_(ui), almacen_(almacen), indice_(indice),
      archivoMensaje_(temporalPropio(baseMensaje(g_))) {}

ResumenEnvio EnvioEscritos::ProcesoEnvio() {
    ResumenEnvio r;
    BaseDatos& db = db_;
    const std::unique_ptr<TurnoEjecucion> turno =
        TurnoEjecucion::tomar(db, ClaseEjecucion::Envio, &ui_);
    if (!turno) {
        r.ocupada = true;
        return r;
    }
    // Runs that died left their message files, and older versions one of a fixed name.
    const fs::path mime = baseMensaje(g_);
    limpiarTemporalesMuertos(mime, ".tmp");
    limpiarTemporalesMuertos(mime, ".tmp.contenido");
    std::error_code ec;
    fs::remove(fs::path(mime) += ".tmp", ec);
    // Receipts a run could not store: stored now, and those writs never announced again.
    const fs::path diario = archivoDiarioAcuses(db.archivo());
    std::vector<AcuseRecibido> sinGuardar;
    try {
        aplicarAcuses(db, diario);
    } catch (const ErrorBaseDatos&) {
        sinGuardar = acusesAnotados(diario);
    }

    cliente_.Login();
    const PunteroOcupado ocupado(ui_);
    if (cliente_.estado.idSesion == 0) {
        ui_.mensaje("No se ha podido establecer conexión con el servidor de LexNet.",
                    "Error de conexión", Icono::Exclamacion, Botones::Aceptar);
        r.detenida = true;
        return r;
    }
    ui_.estado("Seleccionando Escritos para enviar ...");
    std::vector<EscritoPendiente> escritos = escritosPendientes(db);
    std::erase_if(escritos, [&](const EscritoPendiente& e) {
        return std::ranges::any_of(sinGuardar,
                                   [&](const AcuseRecibido& a) { return a.idEscrito == e.id; });
    });
    const int cuenta = static_cast<int>(escritos.size());
    int posicion = 0;
    avance_ = Progreso{};
    avance_.clase = Progreso::Clase::Escrito;
    avance_.n = cuenta;
    for (const EscritoPendiente& e : escritos) {
        if (turno->perdido()) {
            // Another run found this one's heartbeat stopped and took the queue over.
            r.pendientes += cuenta - posicion;
            break;
        }
        ++posicion;
        ui_.estado("Enviado petición de envio (" + std::to_string(posicion) + " de " +
                   std::to_string(cuenta) + ") para" + kCRLF + e.numeroProcedimiento + " - " +
                   e.referencia);
        avance_.k = posicion;
        avance_.fase = Progreso::Fase::EnCurso;
        avance_.bytesElemento = 0;
        avance_.tamanoElemento.reset();
        avance_.nombre = e.numeroProcedimiento + " - " + e.referencia;
        ui_.progreso(avance_);
        const bool enviado = enviarEscrito(e, posicion, cuenta);
        avance_.fase = enviado ? Progreso::Fase::Hecho : Progreso::Fase::Fallido;
        ui_.progreso(avance_);
        if (enviado) {
            ++r.enviados;
        } else {
            ++r.pendientes;
        }
        // In the window a dropped line ends the run only when the user chose Cancel; a run
        // with nobody to ask goes on with the next writ on a new connection (a line that is
        // really down fails each of them fast, and they stay pending).
        if (ultimo_ == Intercambio::LineaCaida && cliente_.reintentosSinPreguntar < 0) {
            r.pendientes += cuenta - posicion;
            break;
        }
    }
    cliente_.Logout();
    ui_.estado("");
    return r;
}

bool EnvioEscritos::documentosListos(const std::vector<std::string>& documentos) {
    std::uintmax_t total = 0;
    for (const std::string& d : documentos) {
        const fs::path ruta = comoRuta(d);
        std::error_code ec;
        const bool esArchivo = fs::is_regular_file(ruta, ec);
        std::ifstream f(ruta, std::ios::binary);
        if (!esArchivo || !f) {
            ui_.mensaje("No se puede leer el documento " + d + kCRLF +
                            "El escrito no se enviará y seguirá pendiente.",
                        kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
            return false;
        }
        total += fs::file_size(ruta, ec);
    }
    const std::uintmax_t limite = static_cast<std::uintmax_t>(g_.LimiteEnvioMB) * 1024 * 1024;
    if (total > limite) {
        ui_.mensaje("Los documentos del escrito suman " + megas(total) +
                        ", más de lo que LexNET admite en un envío (" +
                        std::to_string(g_.LimiteEnvioMB) + " MB)." + kCRLF +
                        "El escrito no se enviará y seguirá pendiente.",
                    kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return false;
    }
    return true;
}

bool EnvioEscritos::enviarEscrito(const EscritoPendiente& e, int posicion, int cuenta) {
    // A writ that fails before its first exchange did not meet a dropped line.
    ultimo_ = Intercambio::Hecho;
    BaseDatos& db = db_;
    const std::vector<std::string> documentos = documentosDelEscrito(db, e, g_.CarpetaEnvios);
    if (!documentosListos(documentos)) {
        return false;
    }
    const Composicion c =
        componerEnviarMensaje(db, plantillas_, e, documentos, cliente_.estado.idSesion);
    if (!c.error.empty()) {
        ui_.mensaje(c.error + kCRLF + "El escrito no se enviará y seguirá pendiente.",
                    kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return false;
    }
    // Only this writ's own answer may give it a send identifier.
    cliente_.Vista.limpiar();
    ultimo_ = cliente_.EnviarComando(c.peticion, " ", "EnviarMensaje");
    idEnvio_ = 0;
    tamBloque_ = 0;
    std::string mimeInicial;
    if (!fallido(ultimo_)) {
        const ArbolRespuesta& v = cliente_.Vista;
        for (const Nodo n : v.nodos()) {
            const std::string_view t = v.texto(n);
            if (t == "idEnvio") {
                idEnvio_ = numero(v.valorDe(n));
            } else if (t == "tamBloque") {
                tamBloque_ = numero(v.valorDe(n));
            } else if (t == "bytesMIME") {
                mimeInicial = std::string(v.valorDe(n));
            }
        }
    }
    if (idEnvio_ == 0) {
        ui_.mensaje("No se ha podido enviar el mensaje.", "", Icono::Ninguno, Botones::Aceptar);
        return false;
    }

    ui_.estado("Componiendo y firmando Mensaje ...");
    try {
        std::vector<std::uint8_t> inicial;
        try {
            inicial = decodificarBase64(mimeInicial);
        } catch (const ErrorBase64&) {
            throw ErrorSmime("LexNET ha devuelto un documento MIME que no es Base64 válido.");
        }
        Firmante f;
        f.certificado = almacen_.x509(indice_);
        try {
            f.clave = almacen_.clavePrivada(
                indice_, [this](const std::string& tarjeta) { return ui_.pedirPin(tarjeta); });
        } catch (const std::exception& error) {
            throw ErrorSmime(std::string("La tarjeta no ha firmado: ") + error.what());
        }
        ComponerSMIME(
            std::string_view(reinterpret_cast<const char*>(inicial.data()), inicial.size()),
            documentos, f, archivoMensaje());
    } catch (const ErrorSmime& error) {
        ui_.mensaje(std::string(error.what()) + kCRLF +
                        "No se ha podido generar el S/MIME. El mensaje no se puede enviar.",
                    "", Icono::Ninguno, Botones::Aceptar);
        return false;
    }
    struct Borrar {
        const fs::path& p;
        ~Borrar() {
            std::error_code ec;
            fs::remove(p, ec);
        }
    } borrar{archivoMensaje()};
    return EnviarBloques(e, posicion, cuenta);
}

bool EnvioEscritos::guardarAcuse(const EscritoPendiente& e, const std::string& idAcuse,
                                 const std::string& fecha) {
    BaseDatos& db = db_;
    const fs::path diario = archivoDiarioAcuses(db.archivo());
    std::string fallo;
    bool anotado = false;
    try {
        anotarAcuse(diario, AcuseRecibido{e.id, idAcuse, fecha, e.referencia});
        anotado = true;
    } catch (const std::system_error& error) {
        fallo = std::string(error.what()) + "; ";
    }
    try {
        // One statement: the receipt and the mark go to the file together or not at all.
        db.ejecutar("UPDATE MensajeEnvio SET IdEnvio = ?, FechaFirma = ?, Subido = 1 "
                    "WHERE Id_MensajeEnvio = ?",
                    idAcuse, fecha, e.id);
    } catch (const ErrorBaseDatos& error) {
        const std::optional<FechaHora> f = FechaHora::desdeTexto(fecha);
        ui_.mensaje("LexNET ha recibido el escrito " + e.numeroProcedimiento + " - " +
                        e.referencia + " con el justificante " + idAcuse + " (ingreso el " +
                        (f ? f->textoPantalla() : fecha) +
                        "), pero no se ha podido guardar en la base de datos: " + fallo +
                        error.what() + kCRLF +
                        (anotado
                             ? "Queda anotado en " + comoTexto(diario) +
                                   " y se guardará en el próximo envío o al arrancar Corvane; el "
                                   "escrito no se volverá a enviar."
                             : std::string("Anote el justificante: el escrito sigue pendiente.")),
                    kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return anotado;
    }
    if (anotado) {
        try {
            aplicarAcuses(db, diario);
        } catch (const ErrorBaseDatos&) {
            // Older receipts stay in the journal for the next run; this one is stored.
        }
    }
    return true;
}

bool EnvioEscritos::EnviarBloques(const EscritoPendiente& e, int posicion, int cuenta) {
    const auto fallo = [&] {
        ui_.mensaje(std::string("Se ha producido un error en el envío bloques.") + kCRLF +
                        kNoSeCompletara,
                    kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return false;
    };
    std::error_code ec;
    const std::uintmax_t tam = fs::file_size(archivoMensaje(), ec);
    std::ifstream f(archivoMensaje(), std::ios::binary);
    if (ec || !f || tam == 0 || tamBloque_ <= 0) {
        return fallo();
    }
    const auto bloque = static_cast<std::uintmax_t>(tamBloque_);
    const std::uintmax_t n = (tam + bloque - 1) / bloque;
    if (n > 32767) {
        return fallo();
    }
    avance_.tamanoElemento = tam;
    std::string idAcuse;
    std::string fechaIngreso;
    int consolidado = 0;
    bool comunicacion = true;
    std::string datos;
    for (std::uintmax_t i = 0; i < n; ++i) {
        ui_.estado("Escrito " + std::to_string(posicion) + " de " + std::to_string(cuenta) + " : " +
                   e.numeroProcedimiento + " - " + e.referencia + kCRLF + "Enviando bloque " +
                   std::to_string(i + 1) + " / " + std::to_string(n));
        const std::uintmax_t largo = i + 1 < n ? bloque : tam - bloque * i;
        datos.resize(static_cast<std::size_t>(largo));
        if (!f.read(datos.data(), static_cast<std::streamsize>(largo))) {
            return fallo();
        }
        const std::string peticion =
            peticionEnviarBloque(cliente_.peticiones(), cliente_.estado.idSesion, idEnvio_,
                                 static_cast<int>(i + 1), i + 1 == n, codificarBase64(datos));
        cliente_.Vista.limpiar();
        ultimo_ = cliente_.EnviarComando(peticion, " ", "EnviarBloque");
        if (fallido(ultimo_)) {
            comunicacion = false;
            fallo();
            break;
        }
        avance_.bytes += largo;
        avance_.bytesElemento += largo;
        ui_.progreso(avance_);
        const ArbolRespuesta& v = cliente_.Vista;
        for (const Nodo k : v.nodos()) {
            const std::string_view t = v.texto(k);
            if (t == "idBloqueConsolidado") {
                consolidado = static_cast<std::int16_t>(numero(v.valorDe(k)));
            } else if (t == "idAcuse") {
                idAcuse = std::string(v.valorDe(k));
            } else if (t == "fechaIngreso") {
                fechaIngreso = std::string(v.valorDe(k));
            }
        }
        if (static_cast<std::uintmax_t>(consolidado) != i + 1) {
            ui_.mensaje(std::string("Error en la secuencia de bloques.") + kCRLF + kNoSeCompletara,
                        kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
            break;
        }
    }
    if (!comunicacion || recortar(idAcuse).empty() || recortar(fechaIngreso).empty()) {
        return false;
    }
    std::string fecha = fechaIngreso.substr(0, 19);
    for (char& c : fecha) {
        c = c == 'T' ? ' ' : c;
    }
    return guardarAcuse(e, idAcuse, fecha);
}
