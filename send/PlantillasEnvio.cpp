#include "send/PlantillasEnvio.h"

#include "core/Texto.h"
#include "storage/BaseDatos.h"

namespace {

// Every value element of the templates is closed by its tag and one blank.
std::string valor(std::string_view elemento, std::string_view marca) {
    return "&lt;" + std::string(elemento) + "&gt;" + std::string(marca) + "&lt;/" +
           std::string(elemento) + "&gt; ";
}

std::string abre(std::string_view elemento) {
    return "&lt;" + std::string(elemento) + "&gt;";
}

std::string cierra(std::string_view elemento) {
    return "&lt;/" + std::string(elemento) + "&gt;";
}

} // namespace

void reemplazarPrimero(std::string& texto, std::string_view marca, std::string_view valor) {
    const std::size_t i = texto.find(marca);
    if (i != std::string::npos) {
        texto.replace(i, marca.size(), valor);
    }
}

PlantillasEnvio CargarPlantillasEnvio(const Peticiones& peticiones) {
    PlantillasEnvio p;
    p.cabecera = Peticiones::cabeceraSobre();
    p.cola = std::string(Peticiones::kColaSobre);
    p.abreDestinos = abre("destinos");
    p.cierraDestinos = cierra("destinos");
    p.destinoOrgano = abre("destino") + valor("copia", "false") + abre("destinatario") +
                      abre("organoJudicial") + valor("codigoPoblacion", "###VAR_ORGANO_1###") +
                      valor("tipoOrgano", "###VAR_ORGANO_2###") +
                      valor("numeroOrgano", "###VAR_ORGANO_3###") +
                      valor("dn", "###VAR_ORGANO_4###") + valor("nombre", "###VAR_ORGANO_5###") +
                      cierra("organoJudicial") + cierra("destinatario") + cierra("destino");
    p.destinoProfesional =
        abre("destino") + valor("copia", "true") + abre("destinatario") + abre("profesional") +
        valor("nif", "###VAR_ZELTA_2###") + valor("nombre", "###VAR_ZELTA_3###") +
        valor("apellido1", "###VAR_ZELTA_4###") + valor("apellido2", "###VAR_ZELTA_5###") +
        valor("email", "###VAR_ZELTA_6###") + valor("dn", "###VAR_ZELTA_7###") +
        valor("tipo", "###VAR_ZELTA_8###") + valor("codigo", "###VAR_ZELTA_20###") +
        valor("codigoColegiado", "###VAR_ZELTA_21###") + abre("entidad") +
        valor("nombre", "###VAR_ZELTA_9###") + valor("partidoJudicial", "###VAR_ZELTA_10###") +
        valor("tipo", "###VAR_ZELTA_11###") + valor("dn", "###VAR_ZELTA_12###") +
        cierra("entidad") + cierra("profesional") + cierra("destinatario") + cierra("destino");
    p.abreAdjuntos = abre("adjuntos");
    p.cierraAdjuntos = cierra("adjuntos");
    p.adjunto = abre("adjunto") + valor("idAdjunto", "###VAR_ADJUNTO_1###") +
                valor("nombre", "###VAR_ADJUNTO_2###") + valor("principal", "###VAR_ADJUNTO_3###") +
                cierra("adjunto");
    p.cuerpo = peticiones.inicioOperacion(Operacion::EnviarMensaje) + peticiones.inicioMensajeWS() +
               abre("solicitudEnvioMensaje") + valor("idSesion", "###VAR_CUERPO_1###") +
               valor("idAplicacion", "###VAR_CUERPO_2###") + abre("datos") + valor("asunto", "") +
               abre("tipoProcedimiento") + valor("codigo", "###VAR_CUERPO_3###") +
               valor("texto", "###VAR_CUERPO_4###") + valor("leyAntigua", "###VAR_CUERPO_5###") +
               cierra("tipoProcedimiento") + valor("numeroProcedimiento", "###VAR_CUERPO_6###") +
               valor("referencia", "###VAR_CUERPO_7###") + abre("informacionExterna") +
               valor("idExterno", "###VAR_CUERPO_8###") +
               valor("nombreSistema", "###VAR_CUERPO_9###") + cierra("informacionExterna") +
               cierra("datos") + "###DESTINOS######ADJUNTOS###" + cierra("solicitudEnvioMensaje") +
               " " + std::string(Peticiones::kFinMensajeWS) +
               Peticiones::finOperacion(Operacion::EnviarMensaje);
    return p;
}

std::vector<EscritoPendiente> escritosPendientes(BaseDatos& db) {
    Sentencia s = db.preparar("SELECT Id_MensajeEnvio, Referencia, NumeroProcedimiento, "
                              "TipoProcedimiento, Destinatario, Adjunto FROM MensajeEnvio "
                              "WHERE Subido = 0 ORDER BY FechaGen, Id_MensajeEnvio");
    std::vector<EscritoPendiente> r;
    while (s.paso()) {
        r.push_back({static_cast<std::int32_t>(s.entero(0)), s.texto(1), s.texto(2), s.texto(3),
                     s.texto(4), s.texto(5)});
    }
    return r;
}

std::vector<std::string> documentosDelEscrito(BaseDatos& db, const EscritoPendiente& e,
                                              const std::string& carpetaEnvios) {
    std::vector<std::string> r{carpetaEnvios + e.adjunto};
    Sentencia s = db.preparar(
        "SELECT Adjunto FROM MensajeAdjunto WHERE IdMensajeAdjunto = ? ORDER BY rowid", e.id);
    while (s.paso()) {
        r.push_back(carpetaEnvios + s.texto(0));
    }
    return r;
}

std::string numeroOrganoDe(std::string_view destinatario) {
    return numeroInicial(destinatario.size() > 7 ? destinatario.substr(7) : "");
}

Composicion componerEnviarMensaje(BaseDatos& db, const PlantillasEnvio& p,
                                  const EscritoPendiente& e,
                                  const std::vector<std::string>& documentos,
                                  std::int32_t idSesion) {
    Composicion c;
    const auto tipo =
        db.primeraFila("SELECT descrTipoProcedimiento, LeyAntigua FROM TipoProcedimiento "
                       "WHERE codigoTipoProcedimiento = ?",
                       e.tipoProcedimiento);
    if (!tipo) {
        c.error = "El tipo de procedimiento " + e.tipoProcedimiento +
                  " no está en la tabla de procedimientos. Obtenga los procedimientos.";
        return c;
    }
    std::string cuerpo = p.cabecera + p.cuerpo;
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_1###", std::to_string(idSesion));
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_2###", kIdAplicacion);
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_3###", escaparValor(e.tipoProcedimiento));
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_4###", escaparValor(recortar(NoNulo((*tipo)[0]))));
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_5###", (*tipo)[1].logico() ? "true" : "false");
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_6###", escaparValor(e.numeroProcedimiento));
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_7###", escaparValor(e.referencia));
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_8###", std::to_string(e.id));
    reemplazarPrimero(cuerpo, "###VAR_CUERPO_9###", "QUAREL_LEXNET");

    const std::string_view d = e.destinatario;
    const auto organo = db.primeraFila(
        "SELECT codPartidoJudicial, tipoOrgano, numeroOrgano, dn, nombre FROM OrigenDestino "
        "WHERE codPartidoJudicial = ? AND tipoOrgano = ? AND numeroOrgano = ?",
        d.substr(0, 5), d.size() > 5 ? d.substr(5, 2) : "", numeroOrganoDe(d));
    if (!organo) {
        c.error = "El órgano judicial " + e.destinatario +
                  " no está en la tabla de destinatarios. Obtenga los destinatarios.";
        return c;
    }
    std::string destinos = p.abreDestinos;
    std::string o = p.destinoOrgano;
    for (int i = 0; i < 5; ++i) {
        reemplazarPrimero(o, "###VAR_ORGANO_" + std::to_string(i + 1) + "###",
                          escaparValor(NoNulo((*organo)[static_cast<std::size_t>(i)])));
    }
    destinos += o;

    Sentencia copias = db.preparar(
        "SELECT Destino FROM MensajeDestino WHERE IdMensajeDestino = ? ORDER BY rowid", e.id);
    while (copias.paso()) {
        const std::string cif = copias.texto(0);
        const auto prof = db.primeraFila(
            "SELECT cif, nombre, apellido1, apellido2, email, dn, tipoDestino, codigo, "
            "codigoColegiado, dnRelacionado FROM OrigenDestino WHERE cif = ?",
            cif);
        const auto entidad =
            prof ? db.primeraFila("SELECT nombre, codPartidoJudicial, tipoDestino, dn FROM "
                                  "OrigenDestino WHERE dn = ?",
                                  NoNulo((*prof)[9]))
                 : std::nullopt;
        if (!prof || !entidad) {
            c.error = "El destinatario en copia " + cif +
                      (prof ? " no tiene su entidad" : " no está") +
                      " en la tabla de destinatarios. Obtenga los destinatarios.";
            return c;
        }
        const auto v = [](const Fila& f, std::size_t i, bool recorta) {
            return escaparValor(recorta ? recortar(NoNulo(f[i])) : NoNulo(f[i]));
        };
        std::string b = p.destinoProfesional;
        for (std::size_t i = 0; i < 6; ++i) {
            reemplazarPrimero(b, "###VAR_ZELTA_" + std::to_string(i + 2) + "###",
                              v(*prof, i, false));
        }
        reemplazarPrimero(b, "###VAR_ZELTA_8###", v(*prof, 6, true));
        reemplazarPrimero(b, "###VAR_ZELTA_20###", v(*prof, 7, true));
        reemplazarPrimero(b, "###VAR_ZELTA_21###", v(*prof, 8, true));
        reemplazarPrimero(b, "###VAR_ZELTA_9###", v(*entidad, 0, false));
        reemplazarPrimero(b, "###VAR_ZELTA_10###", v(*entidad, 1, false));
        reemplazarPrimero(b, "###VAR_ZELTA_11###", v(*entidad, 2, true));
        reemplazarPrimero(b, "###VAR_ZELTA_12###", v(*entidad, 3, false));
        destinos += b;
    }
    destinos += p.cierraDestinos;

    std::string adjuntos = p.abreAdjuntos;
    for (std::size_t i = 0; i < documentos.size(); ++i) {
        std::string a = p.adjunto;
        reemplazarPrimero(a, "###VAR_ADJUNTO_1###", std::to_string(i));
        reemplazarPrimero(a, "###VAR_ADJUNTO_2###", escaparValor(documentos[i]));
        reemplazarPrimero(a, "###VAR_ADJUNTO_3###", i == 0 ? "true" : "false");
        adjuntos += a;
    }
    adjuntos += p.cierraAdjuntos;

    reemplazarPrimero(cuerpo, "###DESTINOS###", destinos);
    reemplazarPrimero(cuerpo, "###ADJUNTOS###", adjuntos);
    c.peticion = cuerpo + p.cola;
    return c;
}

std::string peticionEnviarBloque(const Peticiones& peticiones, std::int32_t idSesion,
                                 std::int32_t idEnvio, int bloque, bool esUltimo,
                                 std::string_view base64) {
    std::string r = Peticiones::cabeceraSobre();
    r.reserve(r.size() + base64.size() + 1024);
    r += peticiones.inicioOperacion(Operacion::EnviarBloque);
    r += peticiones.inicioMensajeWS();
    r += abre("solicitudEnvioBloque");
    r += valor("idSesion", std::to_string(idSesion));
    r += valor("idAplicacion", kIdAplicacion);
    r += valor("idEnvio", std::to_string(idEnvio));
    r += valor("idBloqueEnviado", std::to_string(bloque));
    r += valor("esUltimo", esUltimo ? "true" : "false");
    r += valor("bytesContenido", base64);
    r += cierra("solicitudEnvioBloque") + " ";
    r += std::string(Peticiones::kFinMensajeWS) + " ";
    r += Peticiones::finOperacion(Operacion::EnviarBloque);
    r += Peticiones::kColaSobre;
    return r;
}
