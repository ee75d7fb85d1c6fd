// The reading of MENSAJES.TXT on any bytes: every line is either accepted, within the
// widths of its columns and written back exactly as it was, or refused with a reason.
#include "send/MensajesQuarel.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void comprobar(bool condicion) {
    if (!condicion) {
        std::abort();
    }
}

bool cabe(const std::string& valor, std::size_t ancho, bool obligatorio) {
    return contarCaracteres(valor) <= ancho && !(obligatorio && valor.empty());
}

bool esNombreDeArchivo(const std::string& nombre) {
    return cabe(nombre, kAnchoAdjunto, true) && nombre.find_first_of("/\\") == std::string::npos &&
           nombre != "." && nombre != "..";
}

// The line the parser read, written back: a read line must come back letter for letter.
std::string componerLinea(const EscritoQuarel& e) {
    std::string linea = e.NumeroProcedimiento + "#" + e.Referencia + "#" + e.TipoProcedimiento +
                        std::string("#&") + e.Destinatario;
    for (const std::string& d : e.destinos) {
        linea += std::string("#&") + d;
    }
    linea += std::string("#$") + e.Adjunto;
    for (const std::string& a : e.adjuntos) {
        linea += std::string("#%") + a;
    }
    return linea;
}

void comprobarLinea(std::string_view linea) {
    const LineaAnalizada a = analizarLinea(linea);
    comprobar(a.escrito.has_value() == a.fallo.empty());
    if (!a.escrito) {
        return;
    }
    const EscritoQuarel& e = *a.escrito;
    comprobar(componerLinea(e) == linea);
    comprobar(cabe(e.NumeroProcedimiento, kAnchoNumeroProcedimiento, false));
    comprobar(cabe(e.Referencia, kAnchoReferencia, false));
    comprobar(cabe(e.TipoProcedimiento, kAnchoTipoProcedimiento, false));
    comprobar(cabe(e.Destinatario, kAnchoDestinatario, true));
    for (const std::string& d : e.destinos) {
        comprobar(cabe(d, kAnchoDestino, true));
    }
    comprobar(esNombreDeArchivo(e.Adjunto));
    for (const std::string& a : e.adjuntos) {
        comprobar(esNombreDeArchivo(a));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string_view bytes(reinterpret_cast<const char*>(datos), tamano);

    // The raw bytes as one line, then the file as the import reads it.
    comprobarLinea(bytes);
    std::size_t anterior = 0;
    for (const LineaMensajes& l : lineasDeMensajes(textoDeMensajes(bytes))) {
        comprobar(l.numero > anterior);
        comprobar(l.texto.find_first_of("\r\n") == std::string::npos);
        anterior = l.numero;
        comprobarLinea(l.texto);
    }
    return 0;
}
