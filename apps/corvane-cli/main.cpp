// corvane-cli: Corvane's writ queue from the command line, over the window program's logic.
#include "apps/corvane-cli/Directorio.h"
#include "apps/corvane-cli/Enviar.h"
#include "core/InteraccionTerminal.h"
#include "send/Corvane.h"
#include "send/ListaEscritos.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kCorrecto = 0;
constexpr int kRechazado = 1;
constexpr int kUsoIncorrecto = 2;

constexpr const char* kAyuda =
    R"(Uso: corvane-cli ORDEN [OPCIONES]

Cola de escritos de Corvane (envío de escritos por LexNET) desde la línea de órdenes.

Órdenes:
  importar             importa los escritos que Quarel ha dejado en MENSAJES.TXT, en la
                       carpeta de envíos, y muestra los importados
  listar [--enviados]  muestra los escritos pendientes de envío (con --enviados, los
                       enviados), con sus destinatarios en copia y sus documentos
%ENVIAR%  --help               muestra esta ayuda

Órdenes con LexNET:
%DIRECTORIO%
Arranca como la ventana de Corvane: la primera vez prepara la instalación, lee los ajustes
(Ambrel.INI en la carpeta del programa, que es la del ejecutable o la que indique la
variable de entorno LEXNET_CARPETA_PROGRAMA), abre la base de datos y la actualiza, e
importa MENSAJES.TXT. Los avisos salen por la salida de errores como "título: texto"; a
las preguntas se responde que no.

Estado de salida:
  0  correcto
  1  se ha rechazado una línea o un archivo, o el programa no ha podido arrancar
  2  uso incorrecto
)";

std::string ayudaCompleta() {
    std::string a = kAyuda;
    const std::string directorio = "%DIRECTORIO%";
    a.replace(a.find(directorio), directorio.size(), kAyudaDirectorio);
    const std::string enviar = "%ENVIAR%";
    a.replace(a.find(enviar), enviar.size(), kAyudaEnviar);
    return a + "\n" + kEstadosEnviar;
}

enum class Orden { Importar, Listar };

struct Peticion {
    Orden orden = Orden::Listar;
    bool enviados = false;
};

// nullopt on wrong usage.
std::optional<Peticion> interpretar(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        return std::nullopt;
    }
    if (args[0] == "importar" && args.size() == 1) {
        return Peticion{Orden::Importar, false};
    }
    if (args[0] == "listar" && args.size() <= 2) {
        if (args.size() == 1) {
            return Peticion{Orden::Listar, false};
        }
        if (args[1] == "--enviados") {
            return Peticion{Orden::Listar, true};
        }
    }
    return std::nullopt;
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
        return kRechazado;
    }
    if (!r.encontrado) {
        std::cout << "No hay escritos que importar: no existe " << r.archivo << "\n";
        return kCorrecto;
    }
    std::cout << "Escritos importados de " << r.archivo << ": " << r.escritos.size() << "\n";
    BaseDatos& db = corvane.db();
    for (const FilaEscrito& f : CargarLista(db, VistaEscritos::Pendientes)) {
        if (std::find(r.escritos.begin(), r.escritos.end(), f.id) != r.escritos.end()) {
            std::cout << "\n";
            mostrarEscrito(db, f);
        }
    }
    return kCorrecto;
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
    return corvane.importacionInicial.rechazado ? kRechazado : kCorrecto;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const std::string ayuda = ayudaCompleta();
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << ayuda;
        return kCorrecto;
    }
    if (const std::optional<int> estado = ordenDirectorio(args, ayuda.c_str())) {
        return *estado;
    }
    if (!args.empty() && args[0] == "enviar") {
        return ordenEnviar(args);
    }
    const std::optional<Peticion> peticion = interpretar(args);
    if (!peticion) {
        std::cerr << "corvane-cli: uso incorrecto.\n\n" << ayuda;
        return kUsoIncorrecto;
    }

    InteraccionTerminal ui;
    Corvane corvane(ui);
    int estado = kCorrecto;
    try {
        corvane.arrancar("");
        estado = peticion->orden == Orden::Importar ? importar(corvane)
                                                    : listar(corvane, peticion->enviados);
    } catch (const FinPrograma& fin) {
        return fin.codigo;
    } catch (const std::exception& e) {
        ui.mensaje(e.what(), "Error", Icono::Critico, Botones::Aceptar);
        estado = kRechazado;
    }
    // Nobody started this program from the practice-management suite: nothing to restart.
    corvane.ajustes.RelanzarFeldo = false;
    corvane.ajustes.NoRelanzar = true;
    corvane.cerrar();
    return estado;
}
