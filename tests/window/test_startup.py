"""Start-up and shut-down of the real program: the splash, the main window on the stored
folder in both screen layouts, its frame filling the work area beside the panel, a folder only
highlighted staying so while another program's window and the version box take the focus, the
user guide opened by ﾍﾙﾌﾟ → 開発者のwebｻｲﾄ, and the settings file written at exit."""

import os
import shutil
import tempfile
import time
import urllib.parse

from vutara_window import Display, Program, check, run, settings_record as record, wait_for

SETTINGS = "初期設定.ini"


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-start-")
    pictures = os.path.join(work, "pictures")
    os.makedirs(os.path.join(pictures, "sub"))
    for i in range(3):
        shutil.copy(os.path.join(os.path.dirname(__file__), "..", "data", "bmp-suite", "good", "rgb24.bmp"),
                    os.path.join(pictures, f"p{i}.bmp"))
    with open(os.path.join(work, SETTINGS), "wb") as f:
        f.write(record(pictures.encode(), b"5"))

    # The desktop's opener of addresses and documents, standing in for the browser: it notes
    # what it was asked to open.
    tools = os.path.join(work, "tools")
    os.makedirs(tools)
    opened = os.path.join(work, "opened.txt")
    with open(os.path.join(tools, "xdg-open"), "w") as f:
        f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{opened}"\n')
    os.chmod(os.path.join(tools, "xdg-open"), 0o755)
    environment = {"PATH": tools + os.pathsep + os.environ.get("PATH", "")}

    for width, height in ((1280, 1024), (800, 600)):
        display = Display(width, height)
        program = Program(exe, work, display, env=environment)
        try:
            main = program.window("Vutara! ver.2.0", timeout=20)
            count = program.wait("データ数：3", "label")
            check(program.find("画像形式：ALL", "label") is not None, "panel 3 names the type")
            check(program.find("DirList") is not None, "the folder list is there")
            # The frame, title bar included, fills the work area: the screen above the panel.
            window = program.window_id("Vutara! ver.2.0")
            frame = wait_for(lambda: display.frame(window)[0] == display.work_area and display.frame(window)[0],
                             10, f"the frame to fill the work area {display.work_area}")
            inside = display.frame(window)[1]
            check(inside[1] > frame[1], f"the title bar is on the screen ({frame}, inside {inside})")
            program.screenshot(f"startup-{width}.png")

            # One click on "sub" only highlights it. Another program's window taking the focus,
            # then the version box of this one, leave the folder listed as it was.
            program.click(program.wait("sub", "list item", root=program.wait("DirList")))
            time.sleep(0.5)
            other = display.other_window()
            wait_for(lambda: program.xdotool_output("getactivewindow").strip() == str(other), 10,
                     "the other program's window to take the focus")
            program.xdotool("windowactivate", "--sync", window)
            check(program.find("データ数：3", "label") is not None, "another window leaves the folder shown")
            program.menu("ﾍﾙﾌﾟ", "ﾊﾞｰｼﾞｮﾝ")
            about = program.wait("ﾊﾞｰｼﾞｮﾝ情報", "dialog")
            check(program.find("画像ファイル管理　ver.2.0", "label", root=about) is not None, "version text")
            check(program.find("データ数：3", "label") is not None, "the version box leaves the folder shown")
            program.click(program.wait("OK", "push button", root=about))
            wait_for(lambda: program.find("ﾊﾞｰｼﾞｮﾝ情報", "dialog") is None, 10, "the version box to close")
            time.sleep(0.5)
            check(program.find("データ数：3", "label") is not None, "the folder is still only highlighted")

            # The developer's site is the user guide built with the program, beside its pictures.
            program.menu("ﾍﾙﾌﾟ", "開発者のwebｻｲﾄ")
            address = wait_for(lambda: os.path.exists(opened) and open(opened).read().split("\n")[0], 10,
                               "the guide to be opened")
            os.remove(opened)
            check(address.startswith("file:///") and address.endswith("/guide.html"), f"the guide's address {address}")
            guide = urllib.parse.unquote(address[len("file://"):])
            page = open(guide, encoding="utf-8").read()
            check("<h1" in page and "The main window" in page, "the guide is the README as a page")
            for picture in ("main-1280.png", "main-800.png"):
                check(f'src="{picture}"' in page and os.path.isfile(os.path.join(os.path.dirname(guide), picture)),
                      f"the guide shows {picture}")
            check(program.find("開発者のwebｻｲﾄ", "alert") is None, "no message box")

            program.menu("ﾌｧｲﾙ", "終了")
            check(program.wait_exit() == 0, "the program ends cleanly")
        finally:
            program.kill()
            display.close()

        data = open(os.path.join(work, SETTINGS), "rb").read()
        check(len(data) == 128, f"the settings file holds one record ({len(data)} bytes)")
        check(data[0:6] == b"[Path]", "[Path] at 0")
        check(data[6:56] == pictures.encode().ljust(50, b" ")[:50], f"the folder at 6: {data[6:56]!r}")
        check(data[56:67] == b"[Slideshow]", "[Slideshow] at 56")
        check(data[75:76] == b"5", "the display time is kept")
    shutil.rmtree(work)


run(test)
