"""The thumbnail pages in the real window: "Folder Choice" on a folder of pictures, then paging
forward and back with the toolbar, in both screen layouts."""

import glob
import os
import shutil
import tempfile

from vutara_window import Display, Program, check, run, wait_for, write_settings

DATA = os.path.join(os.path.dirname(__file__), "..", "data")



def test(exe):
    work = tempfile.mkdtemp(prefix="vutara-pages-")
    pictures = os.path.join(work, "pics")
    os.makedirs(pictures)
    sources = sorted(glob.glob(os.path.join(DATA, "bmp-suite", "good", "*.bmp")))
    sources += [os.path.join(DATA, "gif", n) for n in ("fire.gif", "porsche.gif", "treescap-interlaced.gif")]
    sources += [os.path.join(DATA, "jpeg", n) for n in ("testorig.jpg", "testimgint.jpg")]
    for i, source in enumerate(sources * 2):
        shutil.copy(source, os.path.join(pictures, f"{i:02d}_{os.path.basename(source)}"))
    total = len(sources) * 2
    pages = (total + 29) // 30
    write_settings(work, pictures)

    for width, height in ((1280, 1024), (800, 600)):
        display = Display(width, height)
        program = Program(exe, work, display)
        try:
            program.window("Vutara! ver.2.0", timeout=20)
            program.wait(f"データ数：{total}", "label")
            program.click(program.wait("Folder Choice", "push button"))
            program.wait(f"ページ： 1/ {pages}", "label")
            first = program.wait("ImgName(0)")
            check(program.text_of(first) == f"00_{os.path.basename(sources[0])}", "cell 0 names the first file")
            program.wait(f"表示ﾌｫﾙﾀﾞ：{pictures}", "label")
            program.screenshot(f"pages-{width}-page1.png")

            program.click(program.wait("進む", "push button"))
            program.wait(f"ページ： 2/ {pages}", "label")
            wait_for(lambda: program.text_of(program.find("ImgName(0)")) == f"30_{os.path.basename(sources[30 % len(sources)])}",
                     10, "page 2 in cell 0")
            program.screenshot(f"pages-{width}-page2.png")

            program.click(program.wait("戻る", "push button"))
            program.wait(f"ページ： 1/ {pages}", "label")
            program.menu("ﾌｧｲﾙ", "終了")
            check(program.wait_exit() == 0, "the program ends cleanly")
        finally:
            program.kill()
            display.close()
    shutil.rmtree(work)


run(test)
