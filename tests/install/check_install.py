"""Installs the built program into a temporary prefix and builds its Debian package, then checks
what lands where: the program, the desktop entry, the icons at every size, the AppStream
metadata, the user guide with its pictures, and the package's dependencies."""

import html.parser
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
DEPENDENCIES = ("libqt6core6", "libqt6gui6", "libqt6widgets6", "qt6-qpa-plugins", "fonts-ipafont-gothic")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def validate(tool, *args):
    if shutil.which(tool) is None:
        print(f"note: {tool} is not installed; not validated")
        return
    run = subprocess.run([tool, *args], capture_output=True, text=True)
    check(run.returncode == 0, f"{tool} {' '.join(args)}: {run.stdout}{run.stderr}")


class Page(html.parser.HTMLParser):
    """What a page shows and links to: its pictures, its anchors and the anchors linked to."""

    def __init__(self):
        super().__init__()
        self.pictures, self.ids, self.links, self.headings = [], set(), [], 0

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "img":
            self.pictures.append(attrs.get("src", ""))
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "a" and attrs.get("href", "").startswith("#"):
            self.links.append(attrs["href"][1:])
        if tag in ("h1", "h2", "h3"):
            self.headings += 1


def check_guide(prefix):
    """The user guide the help menu opens: the README as one page, beside the program's bin
    folder where the program looks for it, its pictures beside it and its links inside it."""
    folder = os.path.join(prefix, "share", "doc", "vutara")
    guide = os.path.join(folder, "guide.html")
    check(os.path.isfile(guide), "the user guide is installed")
    if not os.path.isfile(guide):
        return
    check(os.path.relpath(folder, os.path.join(prefix, "bin")) == os.path.join("..", "share", "doc", "vutara"),
          "the guide lies where the program looks for it")
    with open(guide, encoding="utf-8") as f:
        text = f.read()
    page = Page()
    page.feed(text)
    check(text.startswith("<!DOCTYPE html>") and '<meta charset="utf-8">' in text, "the guide is a UTF-8 page")
    check(page.headings >= 10 and "The main window" in text and "一括変換" in text, "the guide holds the README")
    check(sorted(page.pictures) == ["log-undo.png", "main-1280.png", "main-800.png"], f"the guide's pictures: {page.pictures}")
    for picture in page.pictures:
        check(png_size(os.path.join(folder, picture)) is not None, f"{picture} is installed beside the guide")
    missing = [link for link in page.links if link not in page.ids]
    check(page.links and not missing, f"the guide's links lead to its headings (missing: {missing})")


def check_tree(prefix):
    program = os.path.join(prefix, "bin", "vutara")
    check(os.access(program, os.X_OK), "the program is installed in bin")
    desktop = os.path.join(prefix, "share", "applications", "vutara.desktop")
    check(os.path.isfile(desktop), "the desktop entry is installed")
    entry = desktop_entry(desktop)
    for key, value in (("Name", "Vutara!"), ("Name[ja]", "画像ファイル管理"), ("Exec", "vutara"),
                       ("Icon", "vutara"), ("Categories", "Graphics;Viewer;"), ("Type", "Application")):
        check(entry.get(key) == value, f"desktop entry {key}={entry.get(key)!r}, wanted {value!r}")
    check(bool(entry.get("GenericName")), "the desktop entry has a generic name")
    validate("desktop-file-validate", desktop)
    metainfo = os.path.join(prefix, "share", "metainfo", "vutara.metainfo.xml")
    check(os.path.isfile(metainfo), "the AppStream metadata is installed")
    # The component keeps the program's plain name as its id rather than a reversed domain.
    validate("appstreamcli", "validate", "--no-net", "--override=cid-desktopapp-is-not-rdns=info", metainfo)
    for size in ICON_SIZES:
        icon = os.path.join(prefix, "share", "icons", "hicolor", f"{size}x{size}", "apps", "vutara.png")
        check(os.path.isfile(icon) and png_size(icon) == (size, size), f"icon {size}x{size}")


def check_package(build, work):
    if shutil.which("dpkg-deb") is None:
        print("note: dpkg-deb is not installed; package not built")
        return
    out = os.path.join(work, "package")
    run = subprocess.run(["cpack", "-G", "DEB", "-B", out, "--config", os.path.join(build, "CPackConfig.cmake")],
                         capture_output=True, text=True)
    check(run.returncode == 0, "cpack builds the package: " + run.stdout[-2000:] + run.stderr[-2000:])
    debs = [f for f in os.listdir(out) if f.endswith(".deb")] if os.path.isdir(out) else []
    check(len(debs) == 1, f"one package: {debs}")
    if len(debs) != 1:
        return
    deb = os.path.join(out, debs[0])
    fields = subprocess.run(["dpkg-deb", "-f", deb, "Package", "Depends", "Section"], capture_output=True,
                            text=True).stdout
    check("Package: vutara" in fields, fields)
    depends = fields.split("Depends:", 1)[-1].split("\n", 1)[0]
    for package in DEPENDENCIES + ("libc6", "libstdc++6", "libjpeg62-turbo", "zlib1g"):
        check(package in depends, f"the package depends on {package}: {depends}")
    contents = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True).stdout
    for path in ("./usr/bin/vutara", "./usr/share/applications/vutara.desktop",
                 "./usr/share/metainfo/vutara.metainfo.xml", "./usr/share/icons/hicolor/48x48/apps/vutara.png",
                 "./usr/share/doc/vutara/guide.html", "./usr/share/doc/vutara/main-800.png"):
        check(path in contents, f"the package holds {path}")


def main():
    build = sys.argv[1]
    work = tempfile.mkdtemp(prefix="vutara-install-")
    try:
        prefix = os.path.join(work, "prefix")
        run = subprocess.run(["cmake", "--install", build, "--prefix", prefix], capture_output=True, text=True)
        check(run.returncode == 0, "cmake --install: " + run.stderr)
        check_tree(prefix)
        check_guide(prefix)
        check_package(build, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("FAILED" if failures else "PASS")
    sys.exit(1 if failures else 0)


main()
