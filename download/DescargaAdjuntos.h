#pragma once

#include "download/FaseDescarga.h"

// Fetches every incomplete document block by block into the downloads folder, and records
// first the notifications it will confirm. Goes on past a document that fails; false only
// when the line dropped.
bool DescargarAdjuntos(ContextoDescarga& c);
