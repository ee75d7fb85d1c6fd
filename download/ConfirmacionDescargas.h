#pragma once

#include "download/FaseDescarga.h"

// Confirms to LexNET each recorded notification whose documents are all whole, and forgets
// the confirmed ones. False when the last exchange failed or the line dropped.
bool NotificarDescargas(ContextoDescarga& c);
