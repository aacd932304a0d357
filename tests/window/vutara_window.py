"""Drives the real Vutara! program on a virtual display: starts Xvfb and the program, finds
controls through the accessibility bus by their accessible names, sends real input with
xdotool, and keeps screenshots as artefacts."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import Atspi


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


class Display:
    """An Xvfb server of the given size."""

    def __init__(self, width, height):
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

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


def artefact_dir():
    folder = os.environ.get("VUTARA_ARTEFACTS") or os.path.join(tempfile.gettempdir(), "vutara-artefacts")
    os.makedirs(folder, exist_ok=True)
    return folder


class Program:
    """The program running in `cwd` on `display`."""

    def __init__(self, exe, cwd, display, env=None):
        self.display = display
        environment = dict(os.environ)
        environment.update({
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
        node = bar
        for caption in path:
            node = wait_for(lambda: next((n for n in self.find_all(caption, root=node) if self.showing(n)), None),
                            10, f"menu item {caption!r}")
            self.click(node)
            time.sleep(0.3)
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

    def wait_exit(self, timeout=15.0):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()


def run(test):
    """Runs `test(exe)` and reports like a test program."""
    exe = sys.argv[1]
    try:
        test(exe)
    except Failure as f:
        print("FAIL:", f)
        sys.exit(1)
    print("PASS")
