#pragma once

// Where an installation keeps its settings and data, and the template it starts from.

#include <string>

// The name of the package: the user's data folder and the shared files are named after it.
inline constexpr const char* kPaquete = "ambrel-corvane";

// The program folder, without a final separator: LEXNET_CARPETA_PROGRAMA when set; the
// executable's folder when it holds the template or Ambrel.INI (a portable installation, or
// one made by hand beside the programs); otherwise the user's data folder for the package
// (~/.local/share/ambrel-corvane unless XDG_DATA_HOME says otherwise). Nothing is ever
// written beside programs installed in a system folder.
std::string carpetaDelPrograma();

// The template database a new installation is copied from: the program folder's when it has
// one, else the executable's, else the one installed with the package (share/ambrel-corvane
// beside the executable's bin folder). Empty when there is none.
std::string plantillaDeInstalacion(const std::string& carpetaPrograma);
