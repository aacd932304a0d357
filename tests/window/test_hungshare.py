"""A share that stops answering, for real: a FUSE mount (bindfs) whose server is stopped hangs
every call that touches it, as a hung network share does. With such a mount present the real
program shows its main window on the stored folder, lists the share in its drive list, draws a
page of 29 pictures and one link into the share (29 names, the link marked unreadable) while it
goes on answering the accessibility bus, and ends at once when closed. Needs the superuser and bindfs (skipped otherwise); the mount lives in a
mount namespace of this test's own, so that no other program on the machine meets it."""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from vutara_window import Display, Program, check, run, wait_for, write_settings

SKIP = 77  # the test's exit status when the machine cannot run it

CLONE_NEWNS = 0x00020000
MS_REC = 0x4000
MS_PRIVATE = 0x40000


def own_mounts():
    """A mount namespace of this test's own (and of the programs it starts), mounts not handed
    on to the system's."""
    libc = ctypes.CDLL(None, use_errno=True)
    return libc.unshare(CLONE_NEWNS) == 0 and libc.mount(None, b"/", None, MS_REC | MS_PRIVATE, None) == 0


def mounted(point):
    with open("/proc/self/mountinfo") as table:
        return any(line.split()[4] == point for line in table)


def test(exe):
    if os.geteuid() != 0 or not shutil.which("bindfs"):
        print("SKIP: needs the superuser and bindfs")
        sys.exit(SKIP)
    if not own_mounts():
        print("SKIP: no mount namespace of its own")
        sys.exit(SKIP)
    work = tempfile.mkdtemp(prefix="vutara-hung-")
    pictures = os.path.join(work, "pictures")
    os.makedirs(pictures)
    sample = os.path.join(os.path.dirname(__file__), "..", "data", "bmp-suite", "good", "rgb24.bmp")
    for i in range(29):
        shutil.copy(sample, os.path.join(pictures, f"p{i:02}.bmp"))
    write_settings(work, pictures)
    source, share = os.path.join(work, "source"), os.path.join(work, "share")
    os.makedirs(os.path.join(source, "photos"))
    shutil.copy(sample, os.path.join(source, "photos", "far.bmp"))
    os.makedirs(share)
    # A link in the middle of the page into the share.
    os.symlink(os.path.join(share, "photos", "far.bmp"), os.path.join(pictures, "p14x.bmp"))
    # No attribute or entry caches: once stopped, the share answers nothing at all.
    server = subprocess.Popen(["bindfs", "-f", "-o", "attr_timeout=0,entry_timeout=0,negative_timeout=0",
                               source, share])
    display = program = None
    try:
        wait_for(lambda: mounted(share), 10, "the share to be mounted")
        server.send_signal(signal.SIGSTOP)
        display = Display(1280, 1024)
        program = Program(exe, work, display)
        # The script's usual wait: the window does not wait for the share more than its deadline.
        program.window("Vutara! ver.2.0", timeout=10)
        program.wait("データ数：30", "label")
        drives = program.wait(role="combo box")  # read as the drive it shows
        check(program.find(share, root=drives) is not None or share in program.text_of(drives)
              or program.find(share) is not None, f"the drive list lists the share {share}")
        # The page: the 29 names within 20 s of the command, the window answering throughout.
        started = time.monotonic()
        program.click(program.wait("Folder Choice", "push button"))

        def names_shown():
            cells = [program.find(f"ImgName({k})") for k in range(30)]
            names = [program.text_of(c) if c is not None else "" for c in cells]
            return sum(1 for n in names if n and n != "p14x.bmp") == 29

        # A page that waited for the share would never get there: the watchdog is four times
        # the time a page gives a picture that does not come.
        wait_for(names_shown, 20, "the 29 names after Folder Choice", interval=0.2)
        print(f"29 names {time.monotonic() - started:.1f} s after Folder Choice")
        program.screenshot("hung-share.png")
        started = time.monotonic()
        program.menu("ﾌｧｲﾙ", "終了")
        check(program.wait_exit() == 0, "the program ends cleanly, without waiting for the share")
        print(f"ended {time.monotonic() - started:.1f} s after 終了")
    finally:
        if program is not None:
            program.kill()
        if display is not None:
            display.close()
        server.send_signal(signal.SIGCONT)
        server.terminate()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        if mounted(share):
            subprocess.run(["umount", "-l", share], check=False)
        shutil.rmtree(work, ignore_errors=True)


run(test)
