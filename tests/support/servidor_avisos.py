#!/usr/bin/python3
"""The desktop's notification service on a private session bus, for the tests.

Starts dbus-daemon, owns org.freedesktop.Notifications on it, appends each notice it is
sent to the file given as a JSON line, and prints the bus address once it serves. Ends,
with its bus, on SIGTERM or when the process that started it ends."""
import ctypes
import json
import signal
import subprocess
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PR_SET_PDEATHSIG = 1


def morir_con_el_padre():
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Notificaciones(dbus.service.Object):
    def __init__(self, bus, registro):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.registro = registro
        self.ultimo = 0

    @dbus.service.method("org.freedesktop.Notifications",
                         in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, aplicacion, reemplaza, icono, resumen, cuerpo, acciones, pistas, caduca):
        self.ultimo += 1
        with open(self.registro, "a", encoding="utf-8") as f:
            f.write(json.dumps({"aplicacion": aplicacion, "icono": icono, "resumen": resumen,
                                "cuerpo": cuerpo}, ensure_ascii=False) + "\n")
        return self.ultimo


def main():
    morir_con_el_padre()
    DBusGMainLoop(set_as_default=True)
    demonio = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, text=True, preexec_fn=morir_con_el_padre)
    try:
        direccion = demonio.stdout.readline().strip()
        bus = dbus.bus.BusConnection(direccion)
        nombre = dbus.service.BusName("org.freedesktop.Notifications", bus, do_not_queue=True)
        servicio = Notificaciones(bus, sys.argv[1])
        bucle = GLib.MainLoop()
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, bucle.quit)
        print(direccion, flush=True)
        bucle.run()
        del nombre  # released while its bus still runs
    finally:
        demonio.terminate()
        demonio.wait()


if __name__ == "__main__":
    main()
