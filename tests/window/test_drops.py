"""Drag and drop in the real window: a thumbnail dragged with real mouse events onto the copy
box is copied into the folder chosen in the folder chooser."""

import os
import shutil
import tempfile
import time

from vutara_window import Display, Program, check, run, wait_for, write_settings

DATA = os.path.join(os.path.dirname(__file__), "..", "data")



def drag(program, source, target):
    """Presses the left button on `source`, moves in small steps onto `target`, releases."""
    sx, sy = program.center(source)
    tx, ty = program.center(target)
    program.xdotool("mousemove", "--sync", sx, sy)
    program.xdotool("mousedown", 1)
    time.sleep(0.3)
    steps = 12
    for i in range(1, steps + 1):
        program.xdotool("mousemove", "--sync", sx + (tx - sx) * i // steps, sy + (ty - sy) * i // steps)
        time.sleep(0.05)
    time.sleep(0.3)
    program.xdotool("mouseup", 1)


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-drops-")
    pictures = os.path.join(work, "pics")
    backup = os.path.join(work, "backup")
    os.makedirs(pictures)
    os.makedirs(backup)
    for name in ("a.bmp", "b.bmp", "c.bmp"):
        shutil.copy(os.path.join(DATA, "bmp-suite", "good", "rgb24.bmp"), os.path.join(pictures, name))
    write_settings(work, pictures)

    display = Display(1280, 1024)
    program = Program(exe, work, display)
    try:
        program.window("Vutara! ver.2.0", timeout=20)
        program.click(program.wait("Folder Choice", "push button"))
        program.wait("ページ： 1/ 1", "label")
        drag(program, program.wait("Img(1)"), program.wait("imgBox(0)"))

        confirm = program.window("コピー")
        check(program.find("コピーを行います。よろしいですか？", root=confirm) is not None, "the copy question")
        program.screenshot("drops-confirm.png")
        program.press(program.wait("OK", "push button", root=confirm))

        program.window("フォルダを選択してください")
        program.screenshot("drops-chooser.png")
        time.sleep(0.5)
        program.xdotool("type", "--delay", "20", backup)
        program.xdotool("key", "Return")
        wait_for(lambda: os.path.exists(os.path.join(backup, "b.bmp")), 15, "the copy in the backup folder")
        program.wait(f"ｺﾋﾟｰﾌｫﾙﾀﾞ：{backup}", "label")
        check(os.path.exists(os.path.join(pictures, "b.bmp")), "the original stays")
        check(sorted(os.listdir(backup)) == ["b.bmp"], f"only the dragged file arrived: {os.listdir(backup)}")
        program.screenshot("drops-done.png")
        program.menu("ﾌｧｲﾙ", "終了")
        check(program.wait_exit() == 0, "the program ends cleanly")
    finally:
        program.kill()
        display.close()
    shutil.rmtree(work)


run(test)
