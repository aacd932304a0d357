"""Drag and drop in the real window: a thumbnail dragged with real mouse events onto the copy
box is copied into the folder chosen in the folder chooser; one dragged onto the waste bin, with
the waste bin deletes it for good, or, with the trash chosen in 設定, moves it into the desktop's trash, and Ctrl+Z brings it back; the choice
is still made at the next start. Then the program is started among
traps: its settings file and drop.ico are pipes (nothing ever writes to them) and its files may
not grow past a limit; it must start, take the drag, and report the copy that cannot be written
like one to a full disk, instead of hanging or vanishing."""

import os
import shutil
import stat
import tempfile
import time

import pyatspi

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

        # As the program starts, the waste bin deletes for good: nothing more is asked after the
        # confirmation, and no copy is kept anywhere.
        drag(program, program.wait("Img(2)"), program.wait("imgBox(2)"))
        program.press(program.wait("OK", "push button", root=program.window("削除")))
        wait_for(lambda: not os.path.exists(os.path.join(pictures, "c.bmp")), 15, "c.bmp deleted")
        program.wait("データ数：2", "label")
        time.sleep(1)
        ids = program.xdotool_output("search", "--onlyvisible", "--pid", program.proc.pid, "--name", ".").split()
        shown = sorted(program.xdotool_output("getwindowname", i).strip() for i in ids)
        shown = [name for name in shown if name != "panel"]  # the desktop's own
        check(shown == ["Vutara! ver.2.0"], f"nothing is asked after the confirmation: {shown}")
        kept = [os.path.join(d, f) for d, _, files in os.walk(program.data_home) for f in files if "c.bmp" in f]
        check(kept == [], f"no copy of the deleted file is kept: {kept}")

        # With 設定 > 削除時にごみ箱を使う checked, the waste bin moves a file into the trash;
        # Ctrl+Z in the main window brings it back.
        program.menu("設定", "削除時にごみ箱を使う")
        drag(program, program.wait("Img(0)"), program.wait("imgBox(2)"))
        program.press(program.wait("OK", "push button", root=program.window("削除")))
        trashed = os.path.join(program.trash, "files")
        wait_for(lambda: os.path.exists(os.path.join(trashed, "a.bmp")), 15, "the file in the trash")
        check(sorted(os.listdir(pictures)) == ["b.bmp"], f"the file left its folder: {os.listdir(pictures)}")
        program.wait("データ数：1", "label")
        program.xdotool("windowactivate", "--sync", program.window_id("Vutara! ver.2.0"))
        program.xdotool("key", "--clearmodifiers", "ctrl+z")
        question = program.window("元に戻す", timeout=10)
        texts = [n.name for n in program.find_all(role="label", root=question)]
        check(any(t.startswith("直前のドラッグでの削除を元に戻します。") and t.endswith(os.path.join(pictures, "a.bmp"))
                  for t in texts), f"the undo asks: {texts}")
        program.press_modal(program.wait("OK", "push button", root=question))
        wait_for(lambda: sorted(os.listdir(pictures)) == ["a.bmp", "b.bmp"], 15, "the file back")
        program.wait("データ数：2", "label")
        check(os.listdir(trashed) == [], f"the trash is empty again: {os.listdir(trashed)}")
        program.menu("ﾌｧｲﾙ", "終了")
        check(program.wait_exit() == 0, "the program ends cleanly")

        # The choice is kept for the next run, beside the desktop's settings, not in the record.
        with open(os.path.join(work, "初期設定.ini"), "rb") as f:
            check(len(f.read()) == 128, "the settings record is still 128 bytes")
        program = Program(exe, work, display, env={"XDG_CONFIG_HOME": program.config_home})
        program.window("Vutara! ver.2.0", timeout=20)
        item = program.wait("削除時にごみ箱を使う")
        check(item.getState().contains(pyatspi.STATE_CHECKED), "削除時にごみ箱を使う is still checked")
        program.menu("ﾌｧｲﾙ", "終了")
        check(program.wait_exit() == 0, "the program ends cleanly")
    finally:
        program.kill()
        display.close()
    shutil.rmtree(work)
    test_traps(exe)


def test_traps(exe):
    work = tempfile.mkdtemp(prefix="vutara-traps-")
    backup = os.path.join(work, "backup")
    os.makedirs(backup)
    shutil.copy(os.path.join(DATA, "bmp-suite", "good", "rgb24.bmp"), os.path.join(work, "a.bmp"))
    with open(os.path.join(work, "big.bmp"), "wb") as f:
        f.write(os.urandom(3 * 1024 * 1024))
    os.mkfifo(os.path.join(work, "初期設定.ini"))
    os.mkfifo(os.path.join(work, "drop.ico"))
    # The program's files may not grow past 1 MB; the limit's signal is left at its default.
    tools = tempfile.mkdtemp(prefix="vutara-limit-")
    limited = os.path.join(tools, "limited")
    with open(limited, "w") as f:
        f.write(f'#!/bin/sh\nexec prlimit --fsize=1048576 -- "{exe}" "$@"\n')
    os.chmod(limited, 0o755)

    display = Display(1280, 1024)
    program = Program(limited, work, display)
    try:
        program.window("Vutara! ver.2.0", timeout=30)  # not held by the settings pipe
        program.click(program.wait("Folder Choice", "push button"))
        program.wait("ページ： 1/ 1", "label")
        drag(program, program.wait("Img(1)"), program.wait("imgBox(0)"))  # over drop.ico's pipe
        program.press(program.wait("OK", "push button", root=program.window("コピー")))
        program.window("フォルダを選択してください")
        time.sleep(0.5)
        program.xdotool("type", "--delay", "20", backup)
        program.xdotool("key", "Return")
        told = program.window("コピーエラー", timeout=30)
        check(program.proc.poll() is None, "the program is still there")
        texts = [n.name for n in program.find_all(role="label", root=told)]
        check(any("big.bmp" in t and "ディスクの空き容量が不足しています" in t for t in texts),
              f"the box names the file and the reason: {texts}")
        program.screenshot("drops-file-size-limit.png")
        program.press(program.wait("OK", "push button", root=told))
        wait_for(lambda: not any(program.find("コピーエラー", role) for role in ("dialog", "alert", "frame")), 15,
                 "the box to close")
        check(os.listdir(backup) == [], f"no partial copy: {os.listdir(backup)}")
        program.menu("ﾌｧｲﾙ", "終了")
        check(program.wait_exit() == 0, "the program ends cleanly")
        check(stat.S_ISFIFO(os.stat(os.path.join(work, "初期設定.ini")).st_mode), "the settings pipe is left alone")
    finally:
        program.kill()
        display.close()
    shutil.rmtree(work)
    shutil.rmtree(tools)


run(test)
