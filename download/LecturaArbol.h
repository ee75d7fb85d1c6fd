#pragma once

// Moved to common/: Corvane reads answers and writes its lists the same way.
#include "common/LecturaArbol.h"
