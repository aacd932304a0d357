"""The thumbnail pages in the real window: "Folder Choice" on a folder of pictures, then paging
forward and back with the toolbar, in both screen layouts; every control of a full page lies in
the visible inside of the window, between the toolbar and the status bar, and the six status
panels stand side by side. The screenshots main-1280.png and main-800.png are those of the
README."""

import glob
import os
import shutil
import tempfile

import pyatspi

from vutara_window import Display, Program, check, run, wait_for, write_settings

DATA = os.path.join(os.path.dirname(__file__), "..", "data")
CONTROLS = (["DirList", "Folder Choice", "all", "bmp", "jpg", "gif", "ico", "PrgBar1", "Frame2"]
            + [f"Img({k})" for k in range(30)] + [f"ImgName({k})" for k in range(30)]
            + [f"imgBox({i})" for i in range(3)])


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def inside(rect, area):
    x, y, w, h = rect
    return w > 0 and h > 0 and x >= area[0] and y >= area[1] and x + w <= area[0] + area[2] \
        and y + h <= area[1] + area[3]


def check_layout(program, display):
    """Every control of the page lies in the visible inside of the window (the window's inside
    on the work area), below the toolbar and above the status bar; the status panels lie in the
    bar side by side."""
    frame, client = display.frame(program.window_id("Vutara! ver.2.0"))
    check(frame == display.work_area, f"the frame fills the work area ({frame}, {display.work_area})")
    visible = (client[0], client[1], min(client[2], display.work_area[2] - client[0]),
               min(client[3], display.work_area[3] - client[1]))
    toolbar = extents(program.wait("tbToolBar"))
    bar = program.wait("StatusBar1", "status bar")
    status = extents(bar)
    check(inside(status, visible), f"the status bar is on the screen ({status}, {visible})")
    top, bottom = toolbar[1] + toolbar[3], status[1]
    nodes = program.named(CONTROLS)
    nodes["DrvList"] = program.wait(role="combo box")  # read as the drive it shows
    for name in ["DrvList"] + CONTROLS:
        check(name in nodes, f"{name} is there")
        rect = extents(nodes[name])
        check(inside(rect, visible) and rect[1] >= top and rect[1] + rect[3] <= bottom,
              f"{name} {rect} lies between the toolbar ({top}) and the status bar ({bottom})")
    panels = [extents(bar.getChildAtIndex(i)) for i in range(bar.childCount)]
    check(len(panels) == 6, f"six status panels ({len(panels)})")
    right = status[0]
    for n, rect in enumerate(panels, start=1):
        check(inside(rect, status), f"panel {n} {rect} lies in the status bar {status}")
        check(rect[0] >= right, f"panel {n} {rect} begins after the one before it ends ({right})")
        right = rect[0] + rect[2]
    if display.width == 1280:
        # The layout table's widths: 1300 twips for panels 1 to 3, 4000 for 4 and 5, the rest to 6.
        widths = [rect[2] for rect in panels]
        check(all(abs(w - 87) <= 4 for w in widths[:3]) and all(abs(w - 267) <= 4 for w in widths[3:5])
              and widths[5] >= 263, f"the panels are 87, 87, 87, 267, 267 and at least 263 px wide ({widths})")



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
            wait_for(lambda: program.text_of(program.find("ImgName(29)")), 10, "the last cell's name")
            check_layout(program, display)
            program.screenshot(f"main-{width}.png")

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
