#pragma once

// LexNET's receipts, made durable before anything else happens to them.
//
// The last block's answer may carry a receipt that the database then fails to store (busy,
// read-only, full disk). Each receipt is first appended to the journal beside the database,
// one line "writ id<TAB>receipt<TAB>date<TAB>reference<TAB>OK", on disk before the database is
// touched; the journal is applied by the next run (or start) and then removed. A writ with a
// receipt in the journal is never announced again. Only the holder of the send turn writes
// or applies it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class BaseDatos;

inline constexpr const char* kArchivoDiarioAcuses = "ACUSES_PENDIENTES.TXT";

struct AcuseRecibido {
    std::int64_t idEscrito = 0; // Id_MensajeEnvio
    std::string idAcuse;
    std::string fecha; // storage form "yyyy-mm-dd hh:mm:ss"
    std::string referencia;
};

// The journal beside the database file.
std::filesystem::path archivoDiarioAcuses(const std::filesystem::path& baseDatos);

// Appends the receipt; returns once it is on disk. Failures throw std::system_error.
void anotarAcuse(const std::filesystem::path& diario, const AcuseRecibido& a);
// The whole lines of the journal (a line a crash cut short is not a receipt).
std::vector<AcuseRecibido> acusesAnotados(const std::filesystem::path& diario);
// Marks each journaled writ sent with its receipt, in one transaction, then removes the
// journal; returns how many writs it marked. A failure throws and leaves the journal whole.
int aplicarAcuses(BaseDatos& db, const std::filesystem::path& diario);
