#include "send/ListaEscritos.h"

#include "core/Texto.h"
#include "storage/BaseDatos.h"

const std::array<ColumnaLista, 5> kColumnasLista = {{{"Destinatario", 4000},
                                                     {"Tipo Proc.", 3500},
                                                     {"Num. Proc.", 1200},
                                                     {"Referencia", 1900},
                                                     {"Fecha", 0}}};

namespace {

bool esDigito(char c) {
    return c >= '0' && c <= '9';
}

// "yyyy-mm-dd..." as "dd/mm/yyyy"; any other text is shown as it is.
std::string fechaCorta(std::string_view texto) {
    texto = texto.substr(0, 10);
    if (texto.size() == 10 && texto[4] == '-' && texto[7] == '-') {
        bool digitos = true;
        for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
            digitos = digitos && esDigito(texto[i]);
        }
        if (digitos) {
            return std::string(texto.substr(8, 2)) + "/" + std::string(texto.substr(5, 2)) + "/" +
                   std::string(texto.substr(0, 4));
        }
    }
    return std::string(texto);
}

// The number a text starts with (after blanks), written back in decimal; "0" when none.
std::string valorNumerico(std::string_view texto) {
    while (!texto.empty() && (texto.front() == ' ' || texto.front() == '\t')) {
        texto.remove_prefix(1);
    }
    return numeroInicial(texto);
}

} // namespace

std::array<std::string, 7> FilaEscrito::subelementos() const {
    return {destinatario, tipo, numero, referencia, fecha, std::to_string(id), adjunto};
}

std::string nombreOrgano(BaseDatos& db, std::string_view destinatario) {
    const std::string_view distrito = destinatario.substr(0, 5);
    const std::string_view tipo = destinatario.size() > 5 ? destinatario.substr(5, 2) : "";
    const std::string_view numero =
        destinatario.substr(destinatario.size() - std::min<std::size_t>(3, destinatario.size()));
    const auto nombre = db.primerValor("SELECT Nombre FROM OrigenDestino WHERE "
                                       "codPartidoJudicial = ? AND TipoOrgano = ? AND "
                                       "NumeroOrgano = ?",
                                       distrito, tipo, valorNumerico(numero));
    return nombre ? recortar(NoNulo(*nombre)) : " " + std::string(kSinDestinatarios);
}

std::vector<FilaEscrito> CargarLista(BaseDatos& db, VistaEscritos vista) {
    // Writs are numbered in the order they were stored: the number breaks ties of date.
    static constexpr const char* kConsulta =
        "SELECT Id_MensajeEnvio, Destinatario, TipoProcedimiento, NumeroProcedimiento, "
        "Referencia, FechaGen, FechaFirma, Adjunto, "
        "(SELECT descrTipoProcedimiento FROM TipoProcedimiento "
        "WHERE codigoTipoProcedimiento = MensajeEnvio.TipoProcedimiento LIMIT 1) "
        "FROM MensajeEnvio ";
    const bool enviados = vista == VistaEscritos::Enviados;
    Sentencia s =
        db.preparar(std::string(kConsulta) +
                    (enviados ? "WHERE Subido <> 0 ORDER BY FechaFirma DESC, Id_MensajeEnvio DESC"
                              : "WHERE Subido = 0 ORDER BY FechaGen, Id_MensajeEnvio"));
    std::vector<FilaEscrito> filas;
    while (s.paso()) {
        FilaEscrito f;
        f.id = s.entero(0);
        const std::string destinatario = s.texto(1);
        f.destinatario = destinatario + " - " + nombreOrgano(db, destinatario);
        f.tipo = s.texto(2) + " - " + s.texto(8);
        f.numero = s.texto(3);
        f.referencia = s.texto(4);
        if (!enviados) {
            f.fecha = fechaCorta(s.texto(5));
        } else {
            const std::string firma = recortar(s.texto(6));
            f.fecha = firma.empty() ? " " : fechaCorta(firma);
        }
        f.adjunto = s.texto(7);
        filas.push_back(std::move(f));
    }
    return filas;
}

std::vector<std::string> documentosEscrito(BaseDatos& db, std::int64_t id,
                                           std::string_view adjunto) {
    std::vector<std::string> documentos{std::string(adjunto) + kPrincipal};
    Sentencia s = db.preparar(
        "SELECT Adjunto FROM MensajeAdjunto WHERE IdMensajeAdjunto = ? ORDER BY rowid", id);
    while (s.paso()) {
        documentos.push_back(s.texto(0));
    }
    return documentos;
}

DetalleEscrito detalleEscrito(BaseDatos& db, std::int64_t id, std::string_view adjunto) {
    DetalleEscrito d;
    Sentencia s = db.preparar(
        "SELECT Destino FROM MensajeDestino WHERE IdMensajeDestino = ? ORDER BY rowid", id);
    while (s.paso()) {
        const auto p = db.primeraFila(
            "SELECT Nombre, Apellido1, Apellido2, cif FROM OrigenDestino WHERE cif = ?",
            s.texto(0));
        d.destinos.push_back(p ? recortar(NoNulo((*p)[1]) + " " + NoNulo((*p)[2]) + ", " +
                                          NoNulo((*p)[0]) + " [" + NoNulo((*p)[3]) + "]")
                               : kSinDestinatarios);
    }
    d.documentos = documentosEscrito(db, id, adjunto);
    return d;
}
