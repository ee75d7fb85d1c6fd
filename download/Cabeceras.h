#pragma once

#include "protocol/ArbolRespuesta.h"

#include <optional>
#include <string>
#include <vector>

class BaseDatos;
class Interaccion;

// The sender of a notification as its header gives it.
struct RemitenteLeido {
    int tipo = 0; // 1 court (organoJudicial), 2 organisation (entidad), 3 person (profesional)
    std::string dn;
    std::string nombre;
    std::string apellido1;
    std::string apellido2;
    std::string cif;
    std::string email;
    std::string codigoProfesional;
    std::string codPartidoJudicial;
    std::string tipoOrgano;
    std::string numeroOrgano;
};

// One header of an ObtenerCabeceras answer, every value as the answer writes it; a value
// the header does not give is empty.
struct CabeceraLeida {
    std::string id;
    std::string leido;
    std::string fechaUltimaDescarga;
    std::string asunto;
    std::string codigo; // procedure type
    std::string texto;  // its description
    std::string leyAntigua;
    std::string numeroProcedimiento;
    std::string referencia;
    std::string idExterno;
    std::string nombreSistema;
    std::string fechaEnvio;
    RemitenteLeido remitente;
    // The organisation a professional belongs to.
    std::optional<RemitenteLeido> entidad;
};

// The headers of the answer, in order: the first "cabecera" element and its sibling
// "cabecera" elements. Each header's values are read inside that header only.
std::vector<CabeceraLeida> leerCabeceras(const ArbolRespuesta& vista);

// Stores the headers of the answer: a new notification, sender or procedure type gets a
// row, one already stored is left as it is. Returns the count of new notifications, whose
// identifiers go, in the answer's order, to `nuevas` when given. A
// value that does not convert (a boolean or date that is none) or a database failure is
// shown ("Se ha producido el error N - description") and ends the program; the rows
// stored before it stay.
int GrabarCabeceras(const ArbolRespuesta& vista, BaseDatos& db, Interaccion& ui,
                    std::vector<std::string>* nuevas = nullptr);
