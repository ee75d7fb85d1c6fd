#pragma once

// Moved to common/: Corvane writes its lists the same way.
#include "common/ArchivoTemporal.h"
