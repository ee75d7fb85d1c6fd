#pragma once

// The schema of the local database: the template that a new installation copies, the
// upgrade every start runs, and the environment row.

#include "storage/BaseDatos.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes a new template database: Cabecera, Adjuntos, OrigenDestino, TipoProcedimiento and
// Parametro (one row, environment 0). The writ tables and the two later OrigenDestino
// columns come from actualizarEsquema. Fails when the file already exists; a failure
// leaves no file behind.
void crearPlantilla(const std::filesystem::path& archivo);

struct ResultadoActualizacion {
    bool anchosAmpliados = false;    // Asunto, Referencia and descrTipoProcedimiento now 255
    bool tablasEnvioCreadas = false; // MensajeEnvio, MensajeDestino, MensajeAdjunto, DocsRTF
    bool columnasAnadidas = false;   // OrigenDestino.certificado and tipoDestino
    bool sinMayusculas = false;      // keys, codes and names now compare without case

    bool operator==(const ResultadoActualizacion&) const = default;
};

// The start-up upgrade, in one transaction: all of it or nothing. Once a database is up to
// date it changes nothing and reports nothing done.
ResultadoActualizacion actualizarEsquema(BaseDatos& db);

// The environment index of the first Parametro row; nullopt when the table has no row.
std::optional<std::int16_t> leerEntorno(BaseDatos& db);
// Writes it into the first Parametro row; false when the table has no row.
bool grabarEntorno(BaseDatos& db, std::int16_t entorno);

// What the database says about a table's columns, in their order.
struct ColumnaTabla {
    std::string nombre;
    std::string tipo; // as declared, e.g. "VARCHAR(255)"
    bool noNulo = false;
    std::optional<std::string> porDefecto; // the default's SQL text
    int posicionClave = 0;                 // 1-based position in the primary key, 0 if none
};

bool existeTabla(BaseDatos& db, std::string_view tabla);
// Empty when the table does not exist.
std::vector<ColumnaTabla> columnasDe(BaseDatos& db, std::string_view tabla);
