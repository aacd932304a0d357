"""The slide show in the real program, on both screen layouts: the settings dialog shows and
stores the display time; 実行 → スライドショー asks for a file, hides the main window, plays the
file's folder on a black borderless window, each picture once and in order, ends by itself after
the last one and brings the main window back; a click ends a second show at once. The file dialog's
type filters read as their captions alone, and a show of another folder's picture leaves the main
window's lists where they were."""

import os
import shutil
import tempfile
import time

from vutara_window import Display, Program, check, run, settings_record as record, wait_for

SETTINGS = "初期設定.ini"
DATA = os.path.join(os.path.dirname(__file__), "..", "data")
PICTURES = {
    "a.jpg": os.path.join(DATA, "jpeg", "testorig.jpg"),
    "b.gif": os.path.join(DATA, "gif", "porsche.gif"),
    "c.bmp": os.path.join(DATA, "bmp-suite", "good", "rgb24.bmp"),
}


FILTERS = ["ｲﾒｰｼﾞ(all)", "ｲﾒｰｼﾞ(bmp)", "ｲﾒｰｼﾞ(jpg)", "ｲﾒｰｼﾞ(gif)", "ｲﾒｰｼﾞ(ico)"]


def start_show(program, main, picture):
    """Chooses 実行 → スライドショー and picks `picture` in the file dialog by typing its path."""
    program.menu("実行", "スライドショー")
    dialog = program.wait("ファイルを指定してください", "dialog")
    wait_for(lambda: program.showing(dialog), 10, "the file dialog")
    entries = [[n.name for n in program.find_all(root=box) if n.getRoleName() in ("list item", "menu item")]
               for box in program.find_all(role="combo box", root=dialog)]
    check(FILTERS in entries, f"the type filters read as their captions alone: {entries}")
    time.sleep(0.5)
    program.xdotool("type", "--delay", "10", picture)
    program.xdotool("key", "Return")
    wait_for(lambda: program.find("ファイルを指定してください", "dialog") is None, 10, "the file dialog to close")
    wait_for(lambda: not program.showing(main), 10, "the main window to hide")
    return wait_for(lambda: show_window(program), 10, "the show window")


def show_window(program):
    """The show's own window (not the menu item of the same name)."""
    for window in program.app:
        try:
            if window is not None and window.name == "スライドショー":
                return window
        except Exception:
            continue
    return None


def shown_name(program, slide):
    """The file name on the screen; the label reads its own name while no picture is up."""
    label = program.find(description="Label1", root=slide)
    return label.name if label is not None and label.name != "Label1" else ""


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-slide-")
    pictures = os.path.join(work, "pictures")
    os.makedirs(pictures)
    for name, source in PICTURES.items():
        shutil.copy(source, os.path.join(pictures, name))
    with open(os.path.join(pictures, "notes.txt"), "w") as f:
        f.write("not a picture")
    other = os.path.join(work, "other")  # a folder the main window does not list
    os.makedirs(other)
    shutil.copy(PICTURES["a.jpg"], os.path.join(other, "a.jpg"))
    with open(os.path.join(work, SETTINGS), "wb") as f:
        f.write(record(pictures.encode(), b"4"))

    for width, height in ((1280, 1024), (800, 600)):
        display = Display(width, height)
        program = Program(exe, work, display)
        try:
            main = program.window("Vutara! ver.2.0", timeout=20)
            program.wait("データ数：3", "label")

            # The settings dialog shows the stored time; a new one is typed and stored.
            program.menu("設定", "スライドショー設定")
            prop = program.wait("スライドショー設定", "dialog")
            box = program.wait("dspTime", root=prop)
            check(program.text_of(box) == "4", f"the box shows the stored time ({program.text_of(box)!r})")
            check(program.find("表示時間（秒）", "label", root=prop) is not None, "the label")
            program.screenshot(f"slideshow-settings-{width}.png")
            program.xdotool("type", "12")  # the box holds one character: 1
            wait_for(lambda: program.text_of(box) == "1", 5, "the box to hold 1")
            program.press(program.wait("更新", "push button", root=prop))
            wait_for(lambda: program.find("スライドショー設定", "dialog") is None, 10, "the dialog to close")
            data = open(os.path.join(work, SETTINGS), "rb").read()
            check(data[75:76] == b"1", f"the time 1 is stored ({data[75:76]!r})")

            # A whole show: the folder's pictures in order from its first file, each once, then
            # back by itself. (The pace is the unit tests' matter, on a hand-driven timer.)
            slide = start_show(program, main, os.path.join(pictures, "c.bmp"))
            x, y = slide.queryComponent().getPosition(0)
            w, h = slide.queryComponent().getSize()
            check((x, y, w, h) == display.work_area, f"the show covers the work area ({x}, {y}, {w}x{h})")
            seen = []

            def note():
                name = shown_name(program, slide)
                if name and (not seen or seen[-1] != name):
                    seen.append(name)
                    if name == "a.jpg":
                        program.screenshot(f"slideshow-{width}.png")
                return program.showing(main)

            wait_for(note, 30, "the show to end by itself", interval=0.05)
            check(seen == ["a.jpg", "b.gif", "c.bmp"], f"the folder's pictures in order, each once ({seen})")
            wait_for(lambda: show_window(program) is None, 10, "the show window to go")
            program.wait("データ数：3", "label")

            # A click on the picture ends a show at once. The show of another folder leaves the
            # main window's lists where they were: panel 1 still counts the listed folder.
            slide = start_show(program, main, os.path.join(other, "a.jpg"))
            wait_for(lambda: shown_name(program, slide) == "a.jpg", 10, "the first picture")
            image = program.wait("imgScr", root=slide)
            program.click(image)
            wait_for(lambda: program.showing(main), 5, "the main window after the click")
            wait_for(lambda: show_window(program) is None, 10, "the show window to go")
            program.wait("データ数：3", "label")

            program.menu("ﾌｧｲﾙ", "終了")
            check(program.wait_exit() == 0, "the program ends cleanly")
        finally:
            program.kill()
            display.close()

        data = open(os.path.join(work, SETTINGS), "rb").read()
        check(data[75:76] == b"1", "the display time survives the end of the program")
        check(data[6:56] == other.encode().ljust(50, b" ")[:50], f"the folder of the last show is stored: {data[6:56]!r}")
        with open(os.path.join(work, SETTINGS), "wb") as f:
            f.write(record(pictures.encode(), b"4"))
    shutil.rmtree(work)


run(test)
