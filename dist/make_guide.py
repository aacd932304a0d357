"""Makes the user guide, one HTML page, from the project's README: the help menu's
"開発者のwebｻｲﾄ" opens it where no web address was set at build time. The screenshots the README
shows are copied beside the page.

    make_guide.py README.md OUTPUT_FOLDER
"""

import html
import os
import re
import shutil
import sys

import markdown

STYLE = """
body { font-family: "IPAPGothic", "IPAGothic", sans-serif; max-width: 60em; margin: 2em auto;
       padding: 0 1em; line-height: 1.5; color: #202020; }
h1, h2, h3 { line-height: 1.2; }
img { max-width: 100%; border: 1px solid #c0c0c0; }
code, pre { background: #f2f2f2; }
pre { padding: 0.5em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #c0c0c0; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
"""


def slug(text, separator):
    """Heading anchors as the README's own links name them: lower case, words joined by "-"."""
    text = re.sub(r"[^\w\s-]", "", text.lower(), flags=re.UNICODE).strip()
    return re.sub(r"[\s]+", separator, text)


def main():
    readme, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    # The pictures the README shows lie beside the page.
    pictures = re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", text)
    for picture in pictures:
        shutil.copy(os.path.join(os.path.dirname(readme), picture), os.path.join(out, os.path.basename(picture)))
        text = text.replace("(" + picture + ")", "(" + os.path.basename(picture) + ")")
    # The README nests lists by two spaces, the converter by four.
    text = re.sub(r"^  - ", "    - ", text, flags=re.MULTILINE)
    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"],
                             extension_configs={"toc": {"slugify": slug}})
    title = re.search(r"^# (.+)$", text, flags=re.MULTILINE).group(1)
    page = ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            f"<title>{html.escape(title)} — user guide</title>\n<style>{STYLE}</style>\n</head>\n"
            f"<body>\n{body}\n</body>\n</html>\n")
    with open(os.path.join(out, "guide.html"), "w", encoding="utf-8") as f:
        f.write(page)


main()
