"""The batch window in the real program, at both screen layouts: opened from the main window's
menu, its panes on the current folder, the log window toggled from the menu and the toolbar, a
copy of three files confirmed in its message box and followed by the log, a deletion while a
folder of the source pane is only highlighted (the confirmation takes the focus, yet the files
the pane shows are the ones deleted, into the desktop's trash, which 設定 chose), the deletion undone with Ctrl+Z,
a rename undone from the log window's menu, and the source folder handed back to the main window
and the settings file when the batch window closes."""

import os
import shutil
import tempfile
import time

from vutara_window import Display, Program, check, run, wait_for, write_settings

SETTINGS = "初期設定.ini"
SAMPLE = os.path.join(os.path.dirname(__file__), "..", "data", "bmp-suite", "good", "rgb24.bmp")


def double_click(program, node):
    x, y = program.center(node)
    program.xdotool("mousemove", "--sync", x, y)
    program.xdotool("click", "--repeat", 2, "--delay", 80, 1)


def open_folder(program, dirlist, name):
    """Opens the subfolder `name` in a folder list by a real double click."""
    entry = program.wait(name, "list item", root=dirlist)
    double_click(program, entry)


def text_is(program, node, wanted):
    return lambda: program.text_of(node) == wanted


def position(node):
    return node.queryComponent().getPosition(0)


def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-batch-")
    src = os.path.join(work, "src")
    out = os.path.join(src, "out")
    os.makedirs(src)

    for width, height, conv_at, log_at in ((1280, 1024, (167, 87), (597, 87)), (800, 600, (2, 80), (377, 80))):
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        for i in range(3):
            shutil.copy(SAMPLE, os.path.join(src, f"p{i}.bmp"))
        write_settings(work, src)
        display = Display(width, height)
        program = Program(exe, work, display)
        try:
            program.window("Vutara! ver.2.0", timeout=20)
            program.menu("設定", "削除時にごみ箱を使う")
            program.menu("実行", "一括変換")
            conv = program.window("一括変換")
            # The toolbar's 一括変換 only brings the open window forward.
            program.click(program.wait("一括変換", "push button"))
            time.sleep(0.5)
            check(len(program.find_all("一括変換", "frame")) == 1, "one batch window")
            for i in range(2):
                count = program.wait(f"filSu({i})", root=conv)
                wait_for(text_is(program, count, "3"), 10, f"ファイル数 of pane {i}")
            x, y = position(conv)
            check(abs(x - conv_at[0]) <= 2 and abs(y - conv_at[1]) <= 40,
                  f"the batch window is placed for the screen ({x}, {y})")

            # The log toggled from the menu, then off and on from the toolbar.
            program.menu("処理選択", "ログ", root=conv)
            log = program.window("一括変換ログ")
            wait_for(lambda: program.showing(log), 10, "the log window to show")
            x, y = position(log)
            check(abs(x - log_at[0]) <= 2, f"the log window stands beside the batch window ({x}, {y})")
            program.screenshot(f"batch-log-{width}.png")
            log_button = program.wait("ログ", "push button", root=conv)
            program.click(log_button)
            wait_for(lambda: program.find("一括変換ログ", "frame") is None
                     or not program.showing(program.find("一括変換ログ", "frame")), 10, "the log window to hide")
            program.click(log_button)
            wait_for(lambda: program.find("一括変換ログ", "frame") is not None
                     and program.showing(program.find("一括変換ログ", "frame")), 10, "the log window to show again")

            # The target pane moves into "out", and the three pictures are copied there.
            open_folder(program, program.wait("DirList(1)", root=conv), "out")
            wait_for(text_is(program, program.wait("filSu(1)", root=conv), "0"), 10, "the target pane to follow")
            program.press_modal(program.wait("ｺﾋﾟｰ", "push button", root=conv))
            question = program.wait("一括コピー", timeout=10)
            check(program.find("ファイルコピーを行います。よろしいですか？", root=question) is not None,
                  "the confirmation asks")
            program.screenshot(f"batch-confirm-{width}.png")
            program.press_modal(program.wait("OK", "push button", root=question))
            wait_for(text_is(program, program.wait("filSu(1)", root=conv), "3"), 20, "the copies to be listed")
            check(sorted(os.listdir(out)) == ["p0.bmp", "p1.bmp", "p2.bmp"], f"copied: {os.listdir(out)}")
            log_list = program.wait("List1", root=log)
            wait_for(lambda: len(program.find_all(role="list item", root=log_list)) == 3, 10, "three log lines")
            first = program.find_all(role="list item", root=log_list)[0].name
            check(first == "\u3000[複写]\u3000" + os.path.join(src, "p0.bmp") + "\u3000から\u3000"
                  + os.path.join(out, "p0.bmp"), f"the first log line: {first!r}")
            check(not program.showing(program.find("PrgBar", root=conv)), "the bar is hidden at the end")
            program.screenshot(f"batch-copy-{width}.png")

            # One click on "out" (now with a fourth file) in the source pane only highlights it.
            # 削除's confirmation takes the focus, and the pane stays on the folder whose three
            # files were counted: those are deleted, "out" keeps its files.
            shutil.copy(SAMPLE, os.path.join(out, "q.bmp"))
            source = program.wait("DirList(0)", root=conv)
            program.click(program.wait("out", "list item", root=source))
            time.sleep(0.5)
            program.click(program.wait("削除", "push button", root=conv))
            question = program.wait("一括削除", timeout=10)
            wait_for(lambda: program.xdotool_output("getactivewindow").strip()
                     == str(program.window_id("一括削除")), 10, "the confirmation to take the focus")
            check(program.text_of(program.wait("filSu(0)", root=conv)) == "3", "the source pane stays where it was")
            program.click(program.wait("OK", "push button", root=question))
            wait_for(text_is(program, program.wait("filSu(0)", root=conv), "0"), 20, "the deletion")
            check(sorted(os.listdir(src)) == ["out"], f"the source pane's files are deleted: {os.listdir(src)}")
            check(sorted(os.listdir(out)) == ["p0.bmp", "p1.bmp", "p2.bmp", "q.bmp"],
                  f"the highlighted folder is untouched: {os.listdir(out)}")
            trashed = os.path.join(program.trash, "files")
            check(sorted(os.listdir(trashed)) == ["p0.bmp", "p1.bmp", "p2.bmp"],
                  f"the deleted files are in the trash: {os.listdir(trashed)}")

            # Ctrl+Z in the batch window undoes the deletion: the files come back from the trash.
            program.xdotool("windowactivate", "--sync", program.window_id("一括変換"))
            program.xdotool("key", "--clearmodifiers", "ctrl+z")
            question = program.window("元に戻す", timeout=10)
            check(program.find("直前の一括削除（3 件のファイル）を元に戻します。よろしいですか？", root=question)
                  is not None, "the undo asks")
            program.press_modal(program.wait("OK", "push button", root=question))
            wait_for(text_is(program, program.wait("filSu(0)", root=conv), "3"), 20, "the files to come back")
            check(sorted(os.listdir(src)) == ["out", "p0.bmp", "p1.bmp", "p2.bmp"], f"back: {os.listdir(src)}")
            check(os.listdir(trashed) == [], f"the trash is empty again: {os.listdir(trashed)}")
            wait_for(lambda: len(program.find_all(role="list item", root=log_list)) == 9, 10, "three undo lines")
            last = program.find_all(role="list item", root=log_list)[-1].name
            check(last == "\u3000[元に戻す]\u3000" + os.path.join(trashed, "p0.bmp") + "\u3000から\u3000"
                  + os.path.join(src, "p0.bmp"), f"the last undo line: {last!r}")

            if width == 1280:
                # A rename, undone from the log window's own menu.
                program.press_modal(program.wait("ﾘﾈｰﾑ", "push button", root=conv))
                dialog = program.window("リネーム", timeout=10)
                program.click(program.wait("Text1", root=dialog))
                program.xdotool("type", "--delay", "20", "x")
                program.press_modal(program.wait("OK", "push button", root=dialog))
                question = program.window("一括リネーム", timeout=10)
                program.press_modal(program.wait("OK", "push button", root=question))
                wait_for(lambda: sorted(os.listdir(src)) == ["out", "x_.bmp", "x_1.bmp", "x_2.bmp"], 20, "the rename")
                program.menu("編集", "元に戻す", root=log)
                question = program.window("元に戻す", timeout=10)
                program.press_modal(program.wait("OK", "push button", root=question))
                wait_for(lambda: sorted(os.listdir(src)) == ["out", "p0.bmp", "p1.bmp", "p2.bmp"], 20,
                         "the old names back")
                wait_for(lambda: len(program.find_all(role="list item", root=log_list)) == 15, 10, "the rename undone")
                # The log window, widened to show whole lines and brought forward, for the guide.
                log_id = program.window_id("一括変換ログ")
                program.xdotool("windowsize", "--sync", log_id, 900, 330)
                program.xdotool("windowmove", "--sync", log_id, 40, 120)
                program.xdotool("windowactivate", "--sync", log_id)
                time.sleep(1)
                program.screenshot_window("log-undo.png", "一括変換ログ")
                program.xdotool("windowsize", "--sync", log_id, 412, 378)
                program.xdotool("windowmove", "--sync", log_id, *log_at)
                program.xdotool("windowactivate", "--sync", program.window_id("一括変換"))

            # The source pane moves into "out"; closing hands that folder back.
            open_folder(program, source, "out")
            wait_for(text_is(program, program.wait("filSu(0)", root=conv), "4"), 10, "the source pane to follow")
            program.screenshot(f"batch-window-{width}.png")
            program.menu("ﾌｧｲﾙ", "終了", root=conv)
            wait_for(lambda: program.find("一括変換", "frame") is None, 10, "the batch window to close")
            wait_for(lambda: program.find("一括変換ログ", "frame") is None, 10, "the log window to go with it")
            # Only the current folder is handed back: the main window still lists the source
            # folder, and the exit stores the folder handed back.
            program.wait("データ数：3", "label")

            program.menu("ﾌｧｲﾙ", "終了")
            check(program.wait_exit() == 0, "the program ends cleanly")
        finally:
            program.kill()
            display.close()
        data = open(os.path.join(work, SETTINGS), "rb").read()
        stored = os.path.join(src, "out").encode()
        check(data[6:56] == stored.ljust(50, b" ")[:50], f"the batch window's source folder is stored: {data[6:56]!r}")
    shutil.rmtree(work)


run(test)
