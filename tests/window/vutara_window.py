"""Drives the real Vutara! program on a virtual desktop: starts Xvfb with a window manager
(openbox) and a panel that reserves a strip of the screen, starts the program, finds controls
through the accessibility bus by their accessible names, sends real input with xdotool, and keeps
screenshots as artefacts."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import Atspi
from Xlib import X, Xatom, Xutil
from Xlib import display as xdisplay


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def settings_record(folder, seconds=b" "):
    """The 128-byte settings record for `folder` (bytes) and a display time of `seconds`."""
    return b"[Path]" + folder.ljust(50, b" ") + b"[Slideshow]" + b" " * 8 + seconds + b" " * 52


def write_settings(work, folder, seconds=b" "):
    """Writes the settings file in the working folder `work`, storing `folder` as shown last."""
    with open(os.path.join(work, "初期設定.ini"), "wb") as f:
        f.write(settings_record(folder.encode(), seconds))


def wait_for(predicate, timeout=15.0, what="condition", interval=0.1):
    end = time.time() + timeout
    while time.time() < end:
        try:
            value = predicate()
        except Exception:  # the accessibility tree changes under our feet
            value = None
        if value:
            return value
        time.sleep(interval)
    raise Failure("timed out waiting for " + what)


# The window manager's settings: its default look (title bars and borders of the Clearlooks
# theme), one desktop, new windows focused, no menus.
OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <theme><name>Clearlooks</name><titleLayout>NLIMC</titleLayout></theme>
  <desktops><number>1</number></desktops>
  <menu></menu>
</openbox_config>
"""


class Display:
    """An Xvfb server of the given size, managed by openbox, with a panel along the bottom edge
    that reserves `panel` pixels of the screen (a dock window with _NET_WM_STRUT), so that title
    bars, the work area, activation and focus are those of a desktop."""

    def __init__(self, width, height, panel=30):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.width, self.height = width, height
        self.env = dict(os.environ, DISPLAY=self.name)
        self.wm = None
        self.x = None
        try:
            self._start_desktop(panel)
        except Exception:
            self.close()
            raise

    def _start_desktop(self, panel):
        self.config = tempfile.mkdtemp(prefix="vutara-openbox-")
        rc = os.path.join(self.config, "rc.xml")
        with open(rc, "w") as f:
            f.write(OPENBOX_RC)
        # The panel is there before the window manager starts, which takes it over with the
        # windows it finds (no race with a window mapped while it starts up).
        self.x = xdisplay.Display(self.name)
        self.panel = self._window(0, self.height - panel, self.width, panel, 0x3c3c3c, "panel")
        atom = self.x.intern_atom
        self.panel.change_property(atom("_NET_WM_WINDOW_TYPE"), Xatom.ATOM, 32, [atom("_NET_WM_WINDOW_TYPE_DOCK")])
        self.panel.change_property(atom("_NET_WM_STRUT"), Xatom.CARDINAL, 32, [0, 0, 0, panel])
        self.panel.change_property(atom("_NET_WM_STRUT_PARTIAL"), Xatom.CARDINAL, 32,
                                   [0, 0, 0, panel, 0, 0, 0, 0, 0, 0, 0, self.width - 1])
        self.panel.map()
        self.x.sync()
        self.wm = subprocess.Popen(["openbox", "--sm-disable", "--config-file", rc], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        root = self.x.screen().root
        wait_for(lambda: root.get_full_property(atom("_NET_SUPPORTING_WM_CHECK"), X.AnyPropertyType),
                 20, "the window manager")
        self.work_area = wait_for(lambda: self._work_area(self.height - panel), 20, "the panel to reserve its strip")

    def _window(self, x, y, width, height, colour, name):
        screen = self.x.screen()
        window = screen.root.create_window(x, y, width, height, 0, screen.root_depth, X.InputOutput,
                                           X.CopyFromParent, background_pixel=colour)
        window.set_wm_name(name)
        window.set_wm_class(name, "VutaraTest")
        # The window manager keeps the place and size asked for.
        window.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.USSize | Xutil.PPosition | Xutil.PSize,
                                   x=x, y=y, width=width, height=height)
        return window

    def _work_area(self, height):
        value = self.x.screen().root.get_full_property(self.x.intern_atom("_NET_WORKAREA"), X.AnyPropertyType)
        area = tuple(value.value[:4]) if value else None
        return area if area and area[3] == height else None

    def frame(self, window_id):
        """The window's outer rectangle on the screen, the window manager's frame included, as
        (x, y, width, height); and its inside (the client area) likewise."""
        window = self.x.create_resource_object("window", int(window_id))
        geometry = window.get_geometry()
        origin = window.translate_coords(self.x.screen().root, 0, 0)
        x, y = -origin.x, -origin.y
        extents = window.get_full_property(self.x.intern_atom("_NET_FRAME_EXTENTS"), X.AnyPropertyType)
        left, right, top, bottom = extents.value if extents else (0, 0, 0, 0)
        inside = (x, y, geometry.width, geometry.height)
        return (x - left, y - top, geometry.width + left + right, geometry.height + top + bottom), inside

    def other_window(self, name="another program"):
        """Opens a window of another program (a plain X client), managed and focused by the
        window manager; returns its window id for xdotool."""
        window = self._window(self.width // 4, self.height // 4, 240, 160, 0xd8d8d8, name)
        window.map()
        self.x.sync()
        return window.id

    def close(self):
        if self.x is not None:
            self.x.close()
            self.x = None
        if self.wm is not None:
            self.wm.terminate()
            self.wm.wait(timeout=10)
            shutil.rmtree(self.config, ignore_errors=True)
            self.wm = None
        self.proc.terminate()
        self.proc.wait(timeout=10)


def artefact_dir():
    folder = os.environ.get("VUTARA_ARTEFACTS") or os.path.join(tempfile.gettempdir(), "vutara-artefacts")
    os.makedirs(folder, exist_ok=True)
    return folder


class Program:
    """The program running in `cwd` on `display`, with a data folder of its own, so that what it
    deletes goes to a trash of the test's (`trash`), never into the user's, and a settings folder
    of its own (`config_home`), so that the user's choices stay the user's."""

    def __init__(self, exe, cwd, display, env=None):
        self.display = display
        self.data_home = tempfile.mkdtemp(prefix="vutara-data-")
        self.trash = os.path.join(self.data_home, "Trash")
        self.config_home = os.path.join(self.data_home, "config")
        environment = dict(os.environ)
        environment.update({
            "XDG_DATA_HOME": self.data_home,
            "XDG_CONFIG_HOME": self.config_home,
            "DISPLAY": display.name,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "LANG": "C.UTF-8",
        })
        environment.pop("QT_QPA_PLATFORMTHEME", None)
        if env:
            environment.update(env)
        self.env = environment
        self.proc = subprocess.Popen([exe], cwd=cwd, env=environment)
        self.app = wait_for(self._find_app, 20, "the program on the accessibility bus")

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == self.proc.pid:
                    return app
            except Exception:
                continue
        return None

    # ---- finding ----
    def find(self, name=None, role=None, root=None, description=None):
        """The first accessible below `root` (default: the application) with this name/role."""
        def matches(node):
            try:
                if name is not None and node.name != name:
                    return False
                if role is not None and node.getRoleName() != role:
                    return False
                if description is not None and node.description != description:
                    return False
                return True
            except Exception:
                return False
        return pyatspi.findDescendant(root or self.app, matches, breadth_first=True)

    def named(self, names, root=None):
        """The first accessible of each of `names` below `root`, found in one walk of the tree."""
        wanted, found = set(names), {}
        queue = [root or self.app]
        while queue and len(found) < len(wanted):
            node = queue.pop(0)
            try:
                if node.name in wanted and node.name not in found:
                    found[node.name] = node
                queue.extend(node.getChildAtIndex(i) for i in range(node.childCount))
            except Exception:
                continue
        return found

    def wait(self, name=None, role=None, root=None, description=None, timeout=15.0):
        return wait_for(lambda: self.find(name, role, root, description), timeout,
                        f"{role or 'control'} {name or description!r}")

    def window(self, title, timeout=15.0):
        """A top-level window, dialog or message box by its title."""
        def found():
            for role in ("frame", "dialog", "alert"):
                node = self.find(title, role)
                if node is not None:
                    return node
            return None
        return wait_for(found, timeout, f"window {title!r}")

    def text_of(self, node):
        try:
            t = node.queryText()
            return t.getText(0, -1)
        except NotImplementedError:
            return node.name

    # ---- acting ----
    def press(self, node):
        """Runs a control's default action (a button's click, a menu item's choice)."""
        action = node.queryAction()
        check(action.nActions > 0, f"{node.name!r} has no action")
        action.doAction(0)

    def press_modal(self, node):
        """Runs the default action of a control that opens a modal window: the program answers
        the accessibility call only when that window closes, so the call is not waited for."""
        action = node.queryAction()
        try:
            Atspi.set_timeout(500, 15000)
            action.doAction(0)
        except Exception:
            pass
        finally:
            Atspi.set_timeout(25000, 15000)

    def showing(self, node):
        try:
            return node.getState().contains(pyatspi.STATE_SHOWING)
        except Exception:
            return False

    def menu(self, *path, root=None):
        """Chooses a menu item by the captions along its path with real mouse clicks, in the
        menu bar of the window `root` (default: the first menu bar of the program)."""
        bar = self.wait(role="menu bar", root=root)

        def showing_item(caption, parent):
            return next((n for n in self.find_all(caption, root=parent) if self.showing(n)), None)

        node = bar
        for i, caption in enumerate(path):
            node = wait_for(lambda: showing_item(caption, node), 10, f"menu item {caption!r}")
            self.click(node)
            time.sleep(0.3)
            # A click the window manager took to activate the window does not open the menu:
            # click once more.
            if i + 1 < len(path):
                try:
                    wait_for(lambda: showing_item(path[i + 1], node), 3, "the menu to open")
                except Failure:
                    self.click(node)
        return node

    def find_all(self, name=None, role=None, root=None):
        return pyatspi.findAllDescendants(root or self.app, lambda n: (name is None or n.name == name)
                                          and (role is None or n.getRoleName() == role))

    def center(self, node):
        comp = node.queryComponent()
        x, y = comp.getPosition(pyatspi.DESKTOP_COORDS)
        w, h = comp.getSize()
        return x + w // 2, y + h // 2

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    def window_id(self, title):
        """The X window of the program's visible top-level window with this title."""
        def search():
            ids = self.xdotool_output("search", "--onlyvisible", "--pid", self.proc.pid, "--name", title).split()
            return [i for i in ids if self.xdotool_output("getwindowname", i).rstrip("\n") == title]
        return int(wait_for(search, 15, f"the X window {title!r}")[0])

    def xdotool_output(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, capture_output=True,
                              text=True).stdout

    def click(self, node, button=1):
        x, y = self.center(node)
        self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", button)

    def screenshot(self, name):
        path = os.path.join(artefact_dir(), name)
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True)
        return path

    def screenshot_window(self, name, title):
        """A screenshot of the program's window with this title, its frame included."""
        (x, y, width, height), _ = self.display.frame(self.window_id(title))
        path = os.path.join(artefact_dir(), name)
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage", path],
                       env=self.env, check=True)
        return path

    def wait_exit(self, timeout=15.0):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        shutil.rmtree(self.data_home, ignore_errors=True)


def run(test):
    """Runs `test(exe)` and reports like a test program."""
    exe = sys.argv[1]
    try:
        test(exe)
    except Failure as f:
        print("FAIL:", f)
        sys.exit(1)
    print("PASS")
