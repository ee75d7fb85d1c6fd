#pragma once

#include <ctime>
#include <openssl/ssl.h>

// What the simulator needs from the operating system.

// Writes to a connection the client closed must fail, not end the process.
void prepararProceso();
// Closes the connection under a TLS session at once, without a TLS close notice.
void cortarConexion(const SSL* ssl);
std::tm horaLocal(std::time_t t);
