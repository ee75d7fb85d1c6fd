#pragma once

#include "common/BaseDatos.h"
#include "send/Corvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

using Textos = std::vector<std::string>;

// Corvane started on a new installation, and the writs' rows.
class EscritosPrueba : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Corvane corvane{ui};

    void SetUp() override {
        corvane.arrancar("");
        ui.mensajes.clear();
        ui.estados.clear();
    }
    BaseDatos& db() { return *corvane.general.Conexion; }
    std::filesystem::path envios() const { return inst / "DATOS" / "ENVIOS"; }

    // A writ to 2807902005; sent when it has a signing date.
    std::int64_t escrito(const char* adjunto = "ESCRITO7.RTF", const char* tipo = "PO",
                         const char* fechaGen = "2024-01-01 00:00:00",
                         const char* fechaFirma = nullptr) {
        db().ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, "
                      "TipoProcedimiento, Destinatario, Adjunto, IdEnvio, TamBloque, Subido, "
                      "FechaGen, FechaFirma) VALUES ('1', 'R', ?, '2807902005', ?, '', 0, ?, ?, ?)",
                      tipo, adjunto, fechaFirma ? 1 : 0, fechaGen, fechaFirma ? fechaFirma : "");
        return db().ultimoId();
    }
    // A writ's "Adjunto" or "Destino" rows, in their order.
    Textos filas(const std::string& c, std::int64_t id) {
        Textos r;
        for (Sentencia s = db().preparar("SELECT " + c + " FROM Mensaje" + c + " WHERE IdMensaje" +
                                             c + " = ? ORDER BY rowid",
                                         id);
             s.paso();) {
            r.push_back(s.texto(0));
        }
        return r;
    }
    std::int64_t contar(const std::string& tabla) {
        return db().primerValor("SELECT COUNT(*) FROM " + tabla)->entero();
    }
};
