#!/usr/bin/python3
"""The automation round trip from Python (libdbus through python3-dbus, one thread that waits on
its socket): the bus daemon alone, a GetSymValue, and one SetSymValue + GetSymValue, each call
waiting for its reply. bench/automation.sh runs it after the Qt client, on the same kalidor."""
import sys
import time

import dbus

BUS = "KalidorRezirer.Application"
ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 2000


def timed(what, call):
    us = []
    for i in range(-100, ROUNDS):
        start = time.perf_counter()
        call(i)
        if i >= 0:
            us.append((time.perf_counter() - start) * 1e6)
    us.sort()
    print("%-52s median %7.1f us, mean %7.1f us, 10%% %7.1f us, 90%% %7.1f us (%d rounds)"
          % (what, us[len(us) // 2], sum(us) / len(us), us[len(us) // 10], us[len(us) * 9 // 10], ROUNDS))


def main():
    bus = dbus.SessionBus()
    app = bus.get_object(BUS, "/KalidorRezirer/Application", introspect=False)
    path = app.Get("KalidorRezirer.Application", "ActiveDocument", dbus_interface="org.freedesktop.DBus.Properties")
    if path == "/":
        sys.exit("no schematic is active")
    doc = dbus.Interface(bus.get_object(BUS, path, introspect=False), "KalidorRezirer.Schematic")
    daemon = dbus.Interface(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus", introspect=False),
                            "org.freedesktop.DBus")
    key = dbus.Int16(6)

    def set_and_get(i):
        doc.SetSymValue(key, dbus.Int32(i & 127))
        if doc.GetSymValue(key) != i & 127:
            sys.exit("round trip %d read back another value" % i)

    timed("Python client: the bus daemon alone (GetId)", lambda i: daemon.GetId())
    timed("Python client: GetSymValue", lambda i: doc.GetSymValue(key))
    timed("Python client: SetSymValue + GetSymValue round trip", set_and_get)


main()
