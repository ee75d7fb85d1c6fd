#pragma once

class Corvane;
class Interaccion;

// How a refresh of the directory or of the procedure types ended.
enum class ResultadoRefresco {
    Refrescado,   // the table replaced and its lists written
    SinOrgano,    // no court in the directory to ask about: nothing sent
    SinConexion,  // no LexNET session could be opened
    SinRespuesta, // the exchange gave no answer: the stored rows are kept
    Ocupado       // another refresh holds the turn: nothing was done
};

// The refreshes of Corvane's directory and procedure-type catalogue from LexNET, over
// Corvane's client with the certificate already chosen: log in when there is no session,
// one exchange, the answer stored (Directorio.h), the lists written (ListasDirectorio.h),
// log out; one refresh at a time on a database (TurnoEjecucion). A failure while storing or writing
// ends the program after its message (the stored rows stay as they were); a LexNET error answer
// ends it through the shutdown.
ResultadoRefresco ObtenerDestinatarios(Corvane& corvane, Interaccion& ui);
// Asks for the procedure types of the first court of the directory; without one, tells
// the user to refresh the directory first and sends nothing.
ResultadoRefresco ObtenerTiposProcedimiento(Corvane& corvane, Interaccion& ui);
