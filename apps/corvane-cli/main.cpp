// corvane-cli: Corvane's writ queue, send run and directory refreshes from the command line,
// over the window program's logic.
#include "cli/Ejecucion.h"
#include "send/Corvane.h"
#include "send/EnvioEscritos.h"
#include "send/ListaEscritos.h"
#include "send/RefrescoDirectorio.h"

#include <algorithm>
#include <iostream>

using namespace cli;

namespace {

const Opcion kEnviados{"--enviados"};

std::string ayuda() {
    return R"(Uso: corvane-cli ORDEN [OPCIONES]

Cola de escritos de Corvane (envío de escritos por LexNET) desde la línea de órdenes.

Órdenes:
  importar             importa los escritos que Quarel ha dejado en MENSAJES.TXT, en la
                       carpeta de envíos, y muestra los importados
  listar [--enviados]  muestra los escritos pendientes de envío (con --enviados, los
                       enviados), con sus destinatarios en copia y sus documentos
  --help               muestra esta ayuda

Órdenes con LexNET:
  enviar [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Como el botón «Enviar escritos»: inicia la sesión en LexNET con el certificado de
      la tarjeta y, del más antiguo al más reciente, anuncia cada escrito, lo firma con la
      tarjeta, lo sube por bloques y guarda el acuse de LexNET.
  directorio [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Como el botón «Obtener Destinatarios»: inicia la sesión en LexNET con el certificado
      de la tarjeta, sustituye los órganos judiciales, entidades y profesionales guardados
      por los que da LexNET, escribe LexnetJUZGA.TXT y LexnetZELTA.TXT en la carpeta de la
      base de datos y cierra la sesión. Si LexNET no responde, se conservan los guardados.
  procedimientos [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Como el botón «Obtener Procedimientos»: pide a LexNET los tipos de procedimiento del
      primer órgano judicial guardado (hace falta haber obtenido antes los destinatarios),
      los guarda en lugar de los anteriores y escribe LexnetPROCE.TXT.
)" + ayudaTarjeta() +
           R"(
Arranca como la ventana de Corvane: la primera vez prepara la instalación, lee los ajustes
(Ambrel.INI en la carpeta del programa, que es la del ejecutable o la que indique la
variable de entorno LEXNET_CARPETA_PROGRAMA), abre la base de datos y la actualiza, e
importa MENSAJES.TXT. Los avisos salen por la salida de errores como "título: texto"; a
las preguntas se responde que no. En un terminal, el avance de «enviar» se muestra en una
línea; si no, cada escrito enviado (o no) deja allí una línea para el registro.

Estado de salida:
  0  correcto; en «enviar», se enviaron todos los escritos pendientes; en «directorio» y
     «procedimientos», los datos se actualizaron
  1  en «importar» y «listar», se ha rechazado una línea o un archivo, o el programa no
     ha podido arrancar; en «enviar», algún escrito quedó pendiente (se intentará en el
     siguiente envío); en «directorio» y «procedimientos», no se actualizó nada (no hay
     órgano judicial, o LexNET no respondió: se conservan los datos guardados)
)" + kAyudaEstados;
}

void mostrarEscrito(BaseDatos& db, const FilaEscrito& f) {
    std::cout << "Escrito " << f.id << "\n";
    std::cout << "  " << kColumnasLista[0].titulo << ": " << f.destinatario << "\n";
    std::cout << "  " << kColumnasLista[1].titulo << ": " << f.tipo << "\n";
    std::cout << "  " << kColumnasLista[2].titulo << ": " << f.numero << "\n";
    std::cout << "  " << kColumnasLista[3].titulo << ": " << f.referencia << "\n";
    std::cout << "  " << kColumnasLista[4].titulo << ": " << f.fecha << "\n";
    const DetalleEscrito d = detalleEscrito(db, f.id, f.adjunto);
    for (const std::string& destino : d.destinos) {
        std::cout << "  Con Copia para: " << destino << "\n";
    }
    for (const std::string& documento : d.documentos) {
        std::cout << "  Adjunto: " << documento << "\n";
    }
}

int importar(Corvane& corvane) {
    const ResultadoImportacion& r = corvane.importacionInicial;
    if (r.rechazado) {
        return kIncompleta;
    }
    if (!r.encontrado) {
        std::cout << "No hay escritos que importar: no existe " << r.archivo << "\n";
        return kCumplida;
    }
    std::cout << "Escritos importados de " << r.archivo << ": " << r.escritos.size() << "\n";
    BaseDatos& db = corvane.db();
    for (const FilaEscrito& f : CargarLista(db, VistaEscritos::Pendientes)) {
        if (std::find(r.escritos.begin(), r.escritos.end(), f.id) != r.escritos.end()) {
            std::cout << "\n";
            mostrarEscrito(db, f);
        }
    }
    return kCumplida;
}

int listar(Corvane& corvane, bool enviados) {
    BaseDatos& db = corvane.db();
    const std::vector<FilaEscrito> filas =
        CargarLista(db, enviados ? VistaEscritos::Enviados : VistaEscritos::Pendientes);
    std::cout << (enviados ? "Escritos enviados: " : "Escritos pendientes de envío: ")
              << filas.size() << "\n";
    for (const FilaEscrito& f : filas) {
        std::cout << "\n";
        mostrarEscrito(db, f);
    }
    return corvane.importacionInicial.rechazado ? kIncompleta : kCumplida;
}

int enviar(Corvane& corvane, Ejecucion& e) {
    if (!e.usarTarjeta(corvane.cliente, corvane.ajustes)) {
        return kUsoIncorrecto;
    }
    EnvioEscritos envio(corvane, e.ui, *e.almacen, e.certificado() - 1);
    const ResumenEnvio r = envio.ProcesoEnvio();
    if (r.ocupada) {
        return kOcupada;
    }
    if (r.detenida) {
        return kDetenida;
    }
    std::cout << "Escritos enviados: " << r.enviados << "\n"
              << "Escritos pendientes: " << r.pendientes << "\n";
    return r.pendientes > 0 ? kIncompleta : kCumplida;
}

// The directory or the procedure types, as the buttons of the window refresh them.
int refrescar(Corvane& corvane, Ejecucion& e, bool procedimientos) {
    BaseDatos& db = corvane.db();
    // Without a court nothing is asked of LexNET, nor of the card.
    if (procedimientos && !HayRegistros(db, "SELECT 1 FROM OrigenDestino WHERE tipo = 1")) {
        return ObtenerTiposProcedimiento(corvane, e.ui) == ResultadoRefresco::Refrescado
                   ? kCumplida
                   : kIncompleta;
    }
    if (!e.usarTarjeta(corvane.cliente, corvane.ajustes)) {
        return kUsoIncorrecto;
    }
    const ResultadoRefresco r = procedimientos ? ObtenerTiposProcedimiento(corvane, e.ui)
                                               : ObtenerDestinatarios(corvane, e.ui);
    if (r == ResultadoRefresco::SinConexion) {
        return kDetenida;
    }
    if (r == ResultadoRefresco::Ocupado) {
        return kOcupada;
    }
    if (r != ResultadoRefresco::Refrescado) {
        return kIncompleta;
    }
    const auto cuenta = [&](const char* sql) { return db.primerValor(sql)->entero(); };
    if (procedimientos) {
        std::cout << "Tipos de procedimiento: " << cuenta("SELECT count(*) FROM TipoProcedimiento")
                  << "\n";
    } else {
        std::cout << "Órganos judiciales: "
                  << cuenta("SELECT count(*) FROM OrigenDestino WHERE tipo = 1") << "\n"
                  << "Entidades: " << cuenta("SELECT count(*) FROM OrigenDestino WHERE tipo = 2")
                  << "\n"
                  << "Profesionales: "
                  << cuenta("SELECT count(*) FROM OrigenDestino WHERE tipo = 3") << "\n";
    }
    return kCumplida;
}

} // namespace

int main(int argc, char** argv) {
    Ejecucion e({"corvane-cli",
                 ayuda(),
                 {{"importar"},
                  {"listar", {kEnviados}},
                  {"enviar", {}, true},
                  {"directorio", {}, true},
                  {"procedimientos", {}, true}}},
                argc, argv);
    return e.ejecutar<Corvane>([&](Corvane& corvane) {
        const Peticion& p = e.peticion;
        if (p.es("importar")) {
            return importar(corvane);
        }
        if (p.es("listar")) {
            return listar(corvane, p.hay(kEnviados));
        }
        return p.es("enviar") ? enviar(corvane, e) : refrescar(corvane, e, p.es("procedimientos"));
    });
}
