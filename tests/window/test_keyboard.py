"""The real program started on a damaged settings file and worked by keyboard alone: the menu bar
reached with Alt, every menu opened with the arrow keys, ﾍﾙﾌﾟ → ﾊﾞｰｼﾞｮﾝ opened and closed, the
batch window opened and closed through its own menu,
設定 → スライドショー設定 opened, a digit typed and stored with Enter, and ﾌｧｲﾙ → 終了 chosen; the
status panels read through the accessibility bus; the dialog and the exit each write a valid record
in front of the damaged file's remaining bytes."""

import os
import random
import shutil
import tempfile
import time

import pyatspi

from vutara_window import Display, Program, check, run, wait_for

SETTINGS = "初期設定.ini"
MENUS = (("ﾌｧｲﾙ", "終了"), ("設定", "スライドショー設定"), ("実行", "スライドショー"), ("ﾍﾙﾌﾟ", "ﾊﾞｰｼﾞｮﾝ"))
PANELS = ("データ数：", "ページ：", "画像形式：", "表示ﾌｫﾙﾀﾞ：", "ｺﾋﾟｰﾌｫﾙﾀﾞ：", "移動ﾌｫﾙﾀﾞ：")


def showing_item(program, caption):
    items = program.find_all(caption)
    return next((n for n in items if n.getRoleName() == "menu item" and program.showing(n)), None)


def keys(program, *names):
    for name in names:
        program.xdotool("key", "--clearmodifiers", name)
        time.sleep(0.25)


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-keys-")
    rnd = random.Random(9)
    damaged = bytes(rnd.randrange(256) for _ in range(300))
    with open(os.path.join(work, SETTINGS), "wb") as f:
        f.write(damaged)

    display = Display(1280, 1024)
    program = Program(exe, work, display)
    try:
        main = program.window("Vutara! ver.2.0", timeout=20)
        program.screenshot("keyboard-start.png")

        # The status panels: six labels whose names are their texts.
        bar = program.wait("StatusBar1", "status bar")
        panels = [bar.getChildAtIndex(i) for i in range(bar.childCount)]
        check(len(panels) == 6, f"six status panels ({len(panels)})")
        for n, (panel, prefix) in enumerate(zip(panels, PANELS), start=1):
            check(panel.getRoleName() == "label", f"panel {n} is a label")
            check(panel.name.startswith(prefix), f"panel {n} reads {panel.name!r}")
            check(panel.description == f"StatusBar1.Panels({n})", f"panel {n} says which it is")

        # Keyboard focus to the window (the pointer may rest over another one).
        window = program.xdotool_output("search", "--sync", "--onlyvisible", "--pid", program.proc.pid,
                                        "--name", "Vutara! ver.2.0").split()[0]
        program.xdotool("windowfocus", "--sync", window)
        time.sleep(0.5)

        # Alt reaches the menu bar; Down opens the first menu, Right each next one.
        keys(program, "alt", "Down")
        for caption, item in MENUS:
            wait_for(lambda: showing_item(program, item), 10, f"the menu {caption} open by keyboard")
            program.screenshot(f"keyboard-menu-{MENUS.index((caption, item))}.png")
            if caption != "ﾍﾙﾌﾟ":
                keys(program, "Right")
        # ﾍﾙﾌﾟ is open with ﾊﾞｰｼﾞｮﾝ first: Return chooses it, Return again presses OK.
        keys(program, "Return")
        about = program.wait("ﾊﾞｰｼﾞｮﾝ情報", "dialog")
        program.screenshot("keyboard-about.png")
        keys(program, "Return")
        wait_for(lambda: program.find("ﾊﾞｰｼﾞｮﾝ情報", "dialog") is None, 10, "the version box to close by keyboard")

        # 実行 → 一括変換 opens the batch window; its own ﾌｧｲﾙ → 終了 closes it, by keys only. (Its
        # closing hands its folder, the one the main window lists, back.)
        program.xdotool("windowfocus", "--sync", window)
        time.sleep(0.3)
        keys(program, "alt", "Down", "Right", "Right")
        wait_for(lambda: showing_item(program, "一括変換"), 10, "the run menu open by keyboard")
        keys(program, "Down", "Return")
        program.window("一括変換")
        batch_window = program.xdotool_output("search", "--name", "^一括変換$").split()[0]
        program.xdotool("windowfocus", "--sync", batch_window)
        time.sleep(0.3)
        keys(program, "alt", "Down")
        wait_for(lambda: showing_item(program, "終了"), 10, "the batch window's file menu open by keyboard")
        program.screenshot("keyboard-batch.png")
        keys(program, "Return")
        wait_for(lambda: program.find("一括変換", "frame") is None, 10, "the batch window to close by keyboard")

        # 設定 → スライドショー設定: Alt, Down opens ﾌｧｲﾙ, Right moves to 設定, Return chooses its
        # only item. The box has the focus with its text selected: a digit replaces it, and
        # Enter stores it as "更新" does.
        program.xdotool("windowfocus", "--sync", window)
        time.sleep(0.3)
        keys(program, "alt", "Down")
        wait_for(lambda: showing_item(program, "終了"), 10, "the file menu open by keyboard")
        keys(program, "Right")
        wait_for(lambda: showing_item(program, "スライドショー設定"), 10, "the settings menu open by keyboard")
        keys(program, "Return")
        prop = program.wait("スライドショー設定", "dialog")
        box = program.wait("dspTime", root=prop)
        wait_for(lambda: box.getState().contains(pyatspi.STATE_FOCUSED), 10, "the box to have the focus")
        program.screenshot("keyboard-settings.png")
        keys(program, "7")
        wait_for(lambda: program.text_of(box) == "7", 5, "the box to hold 7")
        keys(program, "Return")
        wait_for(lambda: program.find("スライドショー設定", "dialog") is None, 10, "the dialog to close on Enter")
        stored = open(os.path.join(work, SETTINGS), "rb").read()
        check(stored != damaged, "the settings file changed")
        check(len(stored) == 300, f"the file keeps its length ({len(stored)} bytes)")
        check(stored[75:76] == b"7", f"the time 7 is stored ({stored[75:76]!r})")
        check(stored[0:6] == b"[Path]" and stored[56:67] == b"[Slideshow]", "the labels are written")
        check(stored[128:] == damaged[128:], "the bytes after the record are kept")

        program.xdotool("windowfocus", "--sync", window)
        time.sleep(0.3)
        keys(program, "alt", "Down")
        wait_for(lambda: showing_item(program, "終了"), 10, "the file menu open by keyboard")
        keys(program, "Return")
        check(program.wait_exit() == 0, "the program ends cleanly")
    finally:
        program.kill()
        display.close()

    # Opening the dialog made the stored folder the current one, and 更新 wrote it back; the exit
    # stores that current folder again, so the folder field reads as the dialog left it, and
    # keeps the time the dialog stored.
    data = open(os.path.join(work, SETTINGS), "rb").read()
    check(len(data) == 300, f"the file keeps its length ({len(data)} bytes)")
    check(data[0:6] == b"[Path]", "[Path] at 0")
    check(data[6:56] == stored[6:56], f"the current folder at 6: {data[6:56]!r} (the dialog wrote {stored[6:56]!r})")
    check(data[56:67] == b"[Slideshow]", "[Slideshow] at 56")
    check(data[75:76] == b"7", "the display time survives the end of the program")
    check(data[128:] == damaged[128:], "the bytes after the record are kept")
    shutil.rmtree(work)


run(test)
