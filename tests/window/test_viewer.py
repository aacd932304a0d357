"""The information menu and the viewer in the real window: a right click on a thumbnail opens the
menu naming the file, its first item opens the viewer at natural size in the screen's corner,
"+" typed on the keyboard magnifies it, and closing it returns to the main window."""

import ctypes
import ctypes.util
import os
import shutil
import subprocess
import tempfile
import time

import pyatspi
from gi.repository import GLib

from vutara_window import Display, Failure, Program, check, run, wait_for, write_settings

DATA = os.path.join(os.path.dirname(__file__), "..", "data")
SHOW = "■□　画像を表示　□■"



class XClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessage), ("pad", ctypes.c_long * 24)]


def close_window(display, window):
    """Asks `window` to close with the message a window manager's close box sends
    (WM_DELETE_WINDOW), wherever the close box is drawn."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.name.encode())
    check(dpy, "the display can be opened")
    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)


class PopupMenus:
    """Pop-up menus as they are shown. The accessibility tree leaves pop-ups out of the
    application's children, so they are caught by the event that announces them."""

    def __init__(self):
        self.shown = []
        pyatspi.Registry.registerEventListener(self._event, "object:state-changed:showing")

    def _event(self, event):
        try:
            if event.detail1 == 1 and event.source.getRoleName() == "popup menu":
                self.shown.append(event.source)
        except Exception:
            pass

    def wait(self, timeout=10.0):
        end = time.time() + timeout
        context = GLib.MainContext.default()
        while time.time() < end:
            while context.iteration(False):
                pass
            if self.shown:
                return self.shown.pop()
            time.sleep(0.05)
        raise Failure("timed out waiting for a pop-up menu")

    def close(self):
        pyatspi.Registry.deregisterEventListener(self._event, "object:state-changed:showing")


def size_of(node):
    return tuple(node.queryComponent().getSize())


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-viewer-")
    pictures = os.path.join(work, "pics")
    os.makedirs(pictures)
    shutil.copy(os.path.join(DATA, "bmp-suite", "good", "rgb24.bmp"), os.path.join(pictures, "a_first.bmp"))
    shutil.copy(os.path.join(DATA, "jpeg", "testorig.jpg"), os.path.join(pictures, "b_sea.jpg"))  # 227 x 149
    shutil.copy(os.path.join(DATA, "gif", "fire.gif"), os.path.join(pictures, "c_fire.gif"))
    os.utime(os.path.join(pictures, "b_sea.jpg"), (0, 961036496))  # 2000/06/15 in any time zone
    write_settings(work, pictures)

    display = Display(1280, 1024)
    program = Program(exe, work, display)
    try:
        program.window("Vutara! ver.2.0", timeout=20)
        program.click(program.wait("Folder Choice", "push button"))
        program.wait("ページ： 1/ 1", "label")
        cell = program.wait("Img(1)")

        # A right click opens the menu on the cell's file.
        popups = PopupMenus()
        program.click(cell, button=3)
        menu = popups.wait()
        popups.close()
        captions = [item.name for item in menu]
        check(len(captions) == 5, f"the menu has four items and a separator ({captions})")
        check(captions[0] == SHOW, f"the first item shows the image ({captions[0]!r})")
        check(captions[2] == "名称　b_sea.jpg", f"the menu names the file ({captions[2]!r})")
        check(captions[3].startswith("日付　2000/06/1"), f"the menu gives the file's date ({captions[3]!r})")
        check(captions[4] == "属性　通常ﾌｧｲﾙ", f"the menu gives the attribute ({captions[4]!r})")
        show = program.find(SHOW, "menu item", root=menu)
        program.screenshot("viewer-menu.png")

        # Its first item opens the viewer: natural size, in the screen's corner, named after the file.
        program.click(show)
        viewer = program.window("b_sea.jpg", timeout=15)
        width, height = wait_for(lambda: size_of(viewer) if size_of(viewer)[0] > 0 else None, 10, "the viewer's size")
        check((width, height) == (227, 149), f"the viewer opens at the picture's size ({width} x {height})")
        frame, _ = display.frame(program.window_id("b_sea.jpg"))
        check(frame[:2] == display.work_area[:2], f"the viewer's frame opens in the screen's corner ({frame})")
        program.screenshot("viewer-natural.png")

        # "+" typed on the keyboard magnifies by one half.
        program.xdotool("key", "plus")
        program.window("b_sea.jpg( x 1.5)", timeout=10)
        grown = wait_for(lambda: size_of(viewer) if size_of(viewer)[0] > width else None, 10, "the viewer to grow")
        check(grown == (341, 224), f"the viewer is one and a half times the picture ({grown[0]} x {grown[1]})")
        program.screenshot("viewer-magnified.png")
        program.xdotool("type", "+")
        program.window("b_sea.jpg( x 2)", timeout=10)
        program.xdotool("key", "minus")
        program.window("b_sea.jpg( x 1.5)", timeout=10)

        # Closed by its close box, the viewer gives the main window back.
        found = subprocess.run(["xdotool", "search", "--name", "b_sea.jpg"], env=program.env,
                               capture_output=True, text=True).stdout.split()
        check(found, "the viewer's window is found on the display")
        for window in found:
            close_window(display, int(window))
        wait_for(lambda: program.find("b_sea.jpg( x 1.5)") is None, 10, "the viewer to close")
        program.menu("ﾌｧｲﾙ", "終了")
        check(program.wait_exit() == 0, "the program ends cleanly")
    finally:
        program.kill()
        display.close()
    shutil.rmtree(work)


run(test)
