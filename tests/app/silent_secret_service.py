#!/usr/bin/python3
"""A Secret Service that never answers: it owns org.freedesktop.secrets on
the session bus named by DBUS_SESSION_BUS_ADDRESS and takes every call to it
without ever replying, as a keyring does that hangs. No real keyring can be
made to do that on purpose. Prints "ready" once the name is owned."""
import sys

import dbus
import dbus.lowlevel
import dbus.mainloop.glib
from gi.repository import GLib


def swallow(bus, message):
    # Calls to us are taken and left unanswered; everything else passes.
    if isinstance(message, dbus.lowlevel.MethodCallMessage) and \
            message.get_interface() != "org.freedesktop.DBus":
        return dbus.lowlevel.HANDLER_RESULT_HANDLED
    return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    bus.add_message_filter(swallow)
    reply = bus.request_name("org.freedesktop.secrets", dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
    if reply != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit("could not own org.freedesktop.secrets")
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
