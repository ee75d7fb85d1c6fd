#include "download/Ambrel.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "platform/Sistema.h"
#include "settings/CarpetaPrograma.h"
#include "setup/Arranque.h"

#include <filesystem>

namespace {

const std::string kS(10, ' ');
constexpr const char* kCRLF = "\r\n";

// The mode word is what follows the first "##" of the trimmed command line.
std::string palabraDeModo(std::string_view lineaOrdenes) {
    const std::string linea = recortar(lineaOrdenes);
    const auto marca = linea.find("##");
    return marca == std::string::npos ? std::string() : linea.substr(marca + 2);
}

void borrarArchivosExportados(const Ajustes& g) {
    std::error_code ec;
    std::filesystem::directory_iterator it(comoRuta(g.CarpetaDescargas), ec);
    if (ec) {
        return;
    }
    for (const auto& entrada : it) {
        // "*_export.*", which also names a copy of a file without an extension.
        const std::string nombre = mayusculas(comoTexto(entrada.path().filename()));
        const bool copia =
            nombre.find("_EXPORT.") != std::string::npos || terminaEn(nombre, "_EXPORT");
        if (!copia || !entrada.is_regular_file(ec)) {
            continue;
        }
        std::filesystem::remove(entrada.path());
    }
}

} // namespace

std::string AvisoInicio(bool alVolver) {
    return kS + "Atención:" + kCRLF + kCRLF + kS +
           "Antes de iniciar el proceso de descarga de notificaciones recuerde:" + kCRLF + kS + kS +
           " - Este ordenador tiene que estar conectado a internet." + kCRLF + kS + kS +
           " - Tenga la tarjeta criptográfica introducida en el lector de tarjetas." + kCRLF + kS +
           kS + " - El proceso puede durar varios minutos. Cada 5-10 minutos se le" +
           (alVolver ? " " : "") + kCRLF + kS + kS +
           "   pedirá que introduzca el PIN de su tarjeta." + kCRLF + kCRLF + kCRLF + kCRLF + kCRLF;
}

PantallaInicioAmbrel Ambrel::arrancar(std::string_view lineaOrdenes) {
    PantallaInicioAmbrel p;
    p.lbVersion = textoVersion();
    ajustes.CarpetaPrograma = carpetaDelPrograma();
    ajustes.AlmacenAmplio = sistemaDeAlmacenAmplio();

    p.soloVisualizar = palabraDeModo(lineaOrdenes) == "LEER";
    p.bpProceso =
        p.soloVisualizar ? "Visualizar notificaciones" : "Iniciar descarga de notificaciones";
    ajustes.ConParametros = !recortar(lineaOrdenes).empty();

    PrimerArranque = esPrimerArranque(ajustes);
    if (PrimerArranque) {
        InicializarInstalacion(ajustes, ui_);
    }
    p.fechaHoy = fechaDeHoy();
    p.avisoInicio = AvisoInicio(false);
    p.titulo = prepararAjustesYBaseDatos(ajustes, conexion, ui_);
    pantalla_ = p;
    return p;
}

PantallaInicioAmbrel Ambrel::volverInicio() const {
    PantallaInicioAmbrel p = pantalla_;
    p.fechaHoy = fechaDeHoy();
    p.avisoInicio = AvisoInicio(true);
    return p;
}

void Ambrel::cerrar() {
    if (borrarExportadosAlCerrar) {
        pasoDeCierre(ui_, [&] { borrarArchivosExportados(ajustes); });
    }
    pasoDeCierre(ui_, [&] { ui_.procesarEventos(); });
    pasoDeCierre(ui_, [&] { conexion.reset(); });
    if (cliente.estado.idSesion != 0) {
        pasoDeCierre(ui_, cerrarSesion);
    }
    if (ajustes.ConParametros) {
        pasoDeCierre(ui_, [&] {
            relanzarSiCarpeta(ajustes, ui_, "C:\\ZELTA", "C:\\ZELTA\\ZELTA.EXE") ||
                relanzarSiCarpeta(ajustes, ui_, "C:\\ZELTA1", "C:\\ZELTA1\\ZELTA1.EXE");
        });
    }
}
