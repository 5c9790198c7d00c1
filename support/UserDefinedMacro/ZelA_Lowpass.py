#!/usr/bin/python3
"""A user-defined macro for Kalidor, written to learn from.

It takes the active ZelA schematic of the running Kalidor, makes block 1 (XT) a first-order
low-pass filter from IN 1 with a gain of 1 and its corner at 10 kHz, simulates curve 1 (IN 1 to
OUT 1, 100 Hz to 1 MHz) so that the plot window shows the response, and saves the design.

Kalidor starts the programs of its UserDefinedMacro folder with the one argument /RunAsMacro
(Tools > User-Defined Macros...). The macro reaches Kalidor over the session bus: the running
instance whose schematic was activated last owns the name KalidorRezirer.Application. Copy this
file, change the values, make it executable and put it into the same folder to have your own.
"""
import math
import sys

try:
    import dbus
except ImportError:
    sys.exit("This macro needs Python's D-Bus bindings (Debian package python3-dbus).")

BUS_NAME = "KalidorRezirer.Application"
APP_PATH = "/KalidorRezirer/Application"
APP_INTERFACE = "KalidorRezirer.Application"
DOC_INTERFACE = "KalidorRezirer.Schematic"
PROPERTIES = "org.freedesktop.DBus.Properties"

# Symbol keys of block 1 (XT) of a ZelA.
KEY_FEEDBACK = 3      # 0: the feedback switch is closed, the block is a low-pass (not an integrator)
KEY_T1_GAIN = 4       # gain of the first input amplifier
KEY_CAPACITOR = 6     # the block's capacitor
KEY_T1_INPUT = 9      # what the first input amplifier takes: 1 = IN 1
KEY_T2_INPUT = 10     # 0 = NONE

CORNER_HZ = 10000.0
# The corner of a block is 1 / (2 pi R C) with R = 250 kOhm.
BLOCK_RESISTANCE = 250e3


def fail(text):
    print("ZelA_Lowpass: " + text, file=sys.stderr)
    return 1


def main():
    try:
        bus = dbus.SessionBus()
        app = bus.get_object(BUS_NAME, APP_PATH)
        path = app.Get(APP_INTERFACE, "ActiveDocument", dbus_interface=PROPERTIES)
    except dbus.DBusException as error:
        return fail("Kalidor cannot be reached (%s)." % error.get_dbus_message())
    # A null object: no schematic window is active.
    if path == "/":
        return fail("No schematic is active in Kalidor.")
    doc_object = bus.get_object(BUS_NAME, path)
    doc = dbus.Interface(doc_object, DOC_INTERFACE)
    properties = dbus.Interface(doc_object, PROPERTIES)
    if properties.Get(DOC_INTERFACE, "DeviceType") != "ZelA":
        return fail("The active schematic is not a ZelA.")

    # The calls of one run (no pause of half a second between them) are one step of the
    # design's history: one Edit > Undo in Kalidor takes back all this macro changed.
    doc.SetSymValue(dbus.Int16(KEY_T1_INPUT), dbus.Int32(1))
    doc.SetSymValue(dbus.Int16(KEY_T2_INPUT), dbus.Int32(0))
    doc.SetSymValue(dbus.Int16(KEY_FEEDBACK), dbus.Int32(0))
    doc.SetGainValue(dbus.Int16(KEY_T1_GAIN), dbus.Int16(1))
    farads = 1.0 / (2.0 * math.pi * BLOCK_RESISTANCE * CORNER_HZ)
    doc.SetCapValue(dbus.Int16(KEY_CAPACITOR), dbus.Double(farads))
    picofarads = doc.GetScaledCapValue(dbus.Int16(KEY_CAPACITOR)) / 10000.0
    properties.Set(DOC_INTERFACE, "Title", "First-order low-pass, %g kHz" % (CORNER_HZ / 1000))

    # Curve 1 from IN 1 to OUT 1, then the simulation (Kalidor opens the plot window).
    properties.Set(DOC_INTERFACE, "ActiveCurve", dbus.Int16(1))
    properties.Set(DOC_INTERFACE, "GainPhaseInputNode", dbus.Int16(1))
    properties.Set(DOC_INTERFACE, "GainPhaseOutputNode", dbus.Int16(1))
    doc.SetGainPhaseRange(dbus.Int16(1), dbus.Int32(100), dbus.Int32(1000000))
    doc.RunGainPhaseSim()

    # Save writes the design file. A design that has never been saved has no file yet: Kalidor
    # answers with the error KalidorRezirer.Error.NeverSaved (SaveAs would name one), and
    # KalidorRezirer.Error.SaveFailed says why a file could not be written.
    corner = 1.0 / (2.0 * math.pi * BLOCK_RESISTANCE * picofarads * 1e-12)
    done = "ZelA_Lowpass: block 1 is a low-pass with C = %.2f pF (corner %.0f Hz)" % (picofarads, corner)
    try:
        doc.Save()
    except dbus.DBusException as error:
        if error.get_dbus_name() != "KalidorRezirer.Error.NeverSaved":
            print(done + "; not saved.")
            return fail(error.get_dbus_message())
        print(done + "; not saved: " + error.get_dbus_message())
        return 0
    print(done + "; saved.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
