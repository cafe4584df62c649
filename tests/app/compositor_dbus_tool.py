#!/usr/bin/python3
"""What a headless GNOME or KDE compositor offers only over its D-Bus session
bus, for the Wayland test desktops (wayland_support.py):

  mutter-keyboard             gives mutter's seat a keyboard and keeps it until
                              this process ends; prints "ready" once it is there
  mutter-screenshot PNG       one frame of mutter's screen, through a screen
                              cast to PipeWire
  kwin-screenshot PNG         KWin's screen, through its screenshot interface

Every remote-desktop or screen-cast session ends with this process: mutter
closes the sessions of a client that leaves the bus."""
import os
import subprocess
import sys
import threading
import time

import dbus

MUTTER_REMOTE_DESKTOP = "org.gnome.Mutter.RemoteDesktop"
MUTTER_SCREEN_CAST = "org.gnome.Mutter.ScreenCast"
KWIN = "org.kde.KWin"
KEY_LEFTSHIFT = 42  # a Linux input key code; a modifier types nothing


def wait_for_name(bus, name, seconds=30):
    """The compositor takes its names on the bus a moment after its socket."""
    deadline = time.time() + seconds
    while not bus.name_has_owner(name):
        if time.time() > deadline:
            raise SystemExit("nobody owns %s on the bus" % name)
        time.sleep(0.1)


def mutter_keyboard():
    """Mutter's seat has a keyboard only once a device sent a key, and a seat
    without one gives no window the keyboard focus, so no client may set or
    read the clipboard. A remote-desktop session's virtual keyboard lasts as
    long as the session, that is as long as this process."""
    bus = dbus.SessionBus()
    wait_for_name(bus, MUTTER_REMOTE_DESKTOP)
    desktop = bus.get_object(MUTTER_REMOTE_DESKTOP, "/org/gnome/Mutter/RemoteDesktop")
    path = desktop.CreateSession(dbus_interface=MUTTER_REMOTE_DESKTOP)
    session = dbus.Interface(bus.get_object(MUTTER_REMOTE_DESKTOP, path), MUTTER_REMOTE_DESKTOP + ".Session")
    session.Start()
    for pressed in (True, False):
        session.NotifyKeyboardKeycode(dbus.UInt32(KEY_LEFTSHIFT), pressed)
    print("ready", flush=True)
    threading.Event().wait()  # until SIGTERM


def mutter_screenshot(png):
    """A screen cast of the whole monitor; gst-launch takes its first frame."""
    import dbus.mainloop.glib
    from gi.repository import GLib
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    wait_for_name(bus, MUTTER_SCREEN_CAST)
    cast = bus.get_object(MUTTER_SCREEN_CAST, "/org/gnome/Mutter/ScreenCast")
    path = cast.CreateSession(dbus.Dictionary({}, signature="sv"), dbus_interface=MUTTER_SCREEN_CAST)
    session = dbus.Interface(bus.get_object(MUTTER_SCREEN_CAST, path), MUTTER_SCREEN_CAST + ".Session")
    # The empty connector name is the primary monitor; no pointer in the picture.
    stream = bus.get_object(MUTTER_SCREEN_CAST,
                            session.RecordMonitor("", dbus.Dictionary({"cursor-mode": dbus.UInt32(0)},
                                                                      signature="sv")))
    loop = GLib.MainLoop()
    node = []

    def added(node_id):
        node.append(int(node_id))
        loop.quit()

    stream.connect_to_signal("PipeWireStreamAdded", added, dbus_interface=MUTTER_SCREEN_CAST + ".Stream")
    session.Start()
    GLib.timeout_add_seconds(15, loop.quit)
    loop.run()
    if not node:
        raise SystemExit("mutter offered no PipeWire stream")
    try:
        subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % node[0], "num-buffers=1",
                        "!", "videoconvert", "!", "pngenc", "!", "filesink", "location=" + png],
                       check=True, timeout=30)
    finally:
        session.Stop()
    if not os.path.getsize(png):
        raise SystemExit("the screen cast gave no frame")


# QImage formats KWin may write, as ImageMagick names their bytes in memory
# (QImage's 32-bit formats are native-endian words: B, G, R, A on x86).
QIMAGE_FORMATS = {4: "bgra", 5: "bgra", 6: "bgra"}


def kwin_screenshot(png):
    """KWin writes the raw image into a pipe and describes it in the reply.
    It refuses callers without a desktop file that grants the interface,
    unless it runs with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 as the test
    desktop does."""
    bus = dbus.SessionBus()
    wait_for_name(bus, KWIN)
    shooter = bus.get_object(KWIN, "/org/kde/KWin/ScreenShot2")
    read_end, write_end = os.pipe()
    data = []
    reader = threading.Thread(target=lambda: data.append(os.fdopen(read_end, "rb").read()))
    reader.start()
    try:
        info = shooter.CaptureActiveScreen(dbus.Dictionary({"include-cursor": False, "native-resolution": True},
                                                           signature="sv"),
                                           dbus.types.UnixFd(write_end), dbus_interface=KWIN + ".ScreenShot2")
    finally:
        os.close(write_end)
        reader.join(30)
    width, height, stride, kind = (int(info[k]) for k in ("width", "height", "stride", "format"))
    if kind not in QIMAGE_FORMATS:
        raise SystemExit("KWin gave an image in QImage format %d" % kind)
    raw = data[0]
    if len(raw) < stride * height:
        raise SystemExit("KWin gave %d bytes for %dx%d" % (len(raw), width, height))
    pixels = b"".join(raw[row * stride:row * stride + width * 4] for row in range(height))
    subprocess.run(["/usr/bin/convert", "-size", "%dx%d" % (width, height), "-depth", "8",
                    "%s:-" % QIMAGE_FORMATS[kind], "-alpha", "off", "png:" + png],
                   input=pixels, check=True, timeout=30)


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    {"mutter-keyboard": mutter_keyboard, "mutter-screenshot": mutter_screenshot,
     "kwin-screenshot": kwin_screenshot}[command](*args)
