"""Start-up and shut-down of the real program: the splash, the main window on the stored
folder in both screen layouts, the version box, and the settings file written at exit."""

import os
import shutil
import tempfile

from vutara_window import Display, Program, check, run, settings_record as record, wait_for

SETTINGS = "初期設定.ini"


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-start-")
    pictures = os.path.join(work, "pictures")
    os.makedirs(pictures)
    for i in range(3):
        shutil.copy(os.path.join(os.path.dirname(__file__), "..", "data", "bmp-suite", "good", "rgb24.bmp"),
                    os.path.join(pictures, f"p{i}.bmp"))
    with open(os.path.join(work, SETTINGS), "wb") as f:
        f.write(record(pictures.encode(), b"5"))

    for width, height in ((1280, 1024), (800, 600)):
        display = Display(width, height)
        program = Program(exe, work, display)
        try:
            main = program.window("Vutara! ver.2.0", timeout=20)
            count = program.wait("データ数：3", "label")
            check(program.find("画像形式：ALL", "label") is not None, "panel 3 names the type")
            check(program.find("DirList") is not None, "the folder list is there")
            x, y = main.queryComponent().getPosition(0)
            w, h = main.queryComponent().getSize()
            check(w >= width - 10, f"the window fills the work area ({w} of {width})")
            program.screenshot(f"startup-{width}.png")

            program.menu("ﾍﾙﾌﾟ", "ﾊﾞｰｼﾞｮﾝ")
            about = program.wait("ﾊﾞｰｼﾞｮﾝ情報", "dialog")
            check(program.find("画像ファイル管理　ver.2.0", "label", root=about) is not None, "version text")
            program.press(program.wait("OK", "push button", root=about))
            wait_for(lambda: program.find("ﾊﾞｰｼﾞｮﾝ情報", "dialog") is None, 10, "the version box to close")

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
