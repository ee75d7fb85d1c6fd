#include "tests/support/Simulador.h"

#include "platform/Sistema.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

std::filesystem::path Simulador::ejecutable() {
    if (const char* s = std::getenv("LEXNET_SIMULADOR"); s && *s) {
        return s;
    }
    return std::filesystem::path(carpetaDelEjecutable()) / "lexnet-sim";
}

Simulador::Simulador(OpcionesSimulador o) : tarjeta_(TarjetaPrueba::comun()) {
    if (!o.datos.empty()) {
        o.archivoDatos = carpeta_ / "datos.json";
        escribirArchivo(o.archivoDatos, o.datos);
    }
    escribirArchivo(carpeta_ / "peticiones.log", "");
    proceso_ = std::make_unique<ProcesoHijo>(
        std::vector<std::string>{
            ejecutable().string(), "--puerto", "0", "--certificado",
            (o.certificado.empty() ? tarjeta_.certificadoServidor() : o.certificado).string(),
            "--clave", (o.clave.empty() ? tarjeta_.claveServidor() : o.clave).string(), "--ca",
            tarjeta_.ca().string(), "--datos", o.archivoDatos.string(), "--registro",
            (carpeta_ / "peticiones.log").string(), "--envios", (carpeta_ / "envios").string()},
        carpeta_ / "errores.log");
    const std::optional<std::string> linea = proceso_->leerLinea(std::chrono::seconds(20));
    if (!linea || !linea->starts_with("PUERTO=")) {
        proceso_.reset();
        throw std::runtime_error("el simulador " + ejecutable().string() +
                                 " no arrancó: " + leerArchivo(carpeta_ / "errores.log"));
    }
    puerto_ = std::stoi(linea->substr(7));
    proceso_->cerrarSalida();
}

std::string Simulador::url() const {
    return "https://127.0.0.1:" + std::to_string(puerto_) + "/services/";
}

std::vector<nlohmann::json> Simulador::peticiones(std::string_view operacion) const {
    std::vector<nlohmann::json> r;
    const std::string texto = leerArchivo(carpeta_ / "peticiones.log");
    // A line still being written (no line end yet) belongs to a request not answered yet.
    std::istringstream lineas(texto.substr(0, texto.rfind('\n') + 1));
    for (std::string linea; std::getline(lineas, linea);) {
        if (!linea.empty()) {
            nlohmann::json p = nlohmann::json::parse(linea);
            if (operacion.empty() || p.value("operacion", "") == operacion) {
                r.push_back(std::move(p));
            }
        }
    }
    return r;
}

// The order goes to /control over HTTPS, with the card's control certificate.
void Simulador::fallar(const nlohmann::json& fallos) {
    const std::string orden =
        (fallos.is_array() ? nlohmann::json{{"fallos", fallos}} : fallos).dump();
    const ResultadoPrograma r = ejecutarPrograma(
        {"curl", "-sS", "--fail-with-body", "--max-time", "30", "--cacert", tarjeta_.ca().string(),
         "--cert", tarjeta_.certificadoControl().string(), "--key",
         tarjeta_.claveControl().string(), "-H", "Content-Type: application/json", "--data-binary",
         orden, "https://127.0.0.1:" + std::to_string(puerto_) + "/control"});
    if (r.estado != 0) {
        throw std::runtime_error("el simulador no aceptó la orden " + orden + ": " + r.salida);
    }
}

void Simulador::apuntar(Ajustes& g) const {
    g.URLServicio = url();
    g.CAServidor = TarjetaPrueba::comun().ca().string();
    g.ModuloPKCS11 = TarjetaPrueba::modulo();
}
