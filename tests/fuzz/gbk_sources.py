#!/usr/bin/env python3
"""Mirrors the source tree for a compiler that cannot turn literals into GBK.

GCC builds the system with -fexec-charset=GBK; clang has no such option. This
copies the tree with the text of every ordinary string and character literal
in .cpp and .h files re-encoded from UTF-8 to GBK by iconv (the converter GCC
uses), so that clang, which passes a literal's bytes through, gives the same
bytes. u8, u, U and L literals, comments and code stay as they are. A GBK
character whose second byte is 0x5C would read as a backslash escape in the
copy; such a literal is refused. Files are written only when they change, so
an incremental build recompiles only what changed.

usage: gbk_sources.py SOURCE DEST ITEM...   (folders or files; missing ones are skipped)
"""
import os
import shutil
import subprocess
import sys

NARROW_PREFIXES = {"", "R"}
ALL_PREFIXES = {"", "R", "u8", "u8R", "u", "uR", "U", "UR", "L", "LR"}


class LiteralError(Exception):
    pass


def identifier_before(text, at):
    start = at
    while start > 0 and (text[start - 1].isalnum() or text[start - 1] == "_"):
        start -= 1
    return text[start:at]


def end_of_quoted(text, at, quote, path):
    """Index just past the literal whose opening quote is at `at`."""
    i = at + 1
    while i < len(text):
        c = text[i]
        if c == "\\":
            i += 2
            continue
        if c == quote:
            return i + 1
        if c == "\n":
            break
        i += 1
    raise LiteralError("%s:%d: unterminated literal" % (path, text.count("\n", 0, at) + 1))


def literals(text, path):
    """Yields (start, end) of the bodies of ordinary narrow literals, and
    whether each is raw."""
    i = 0
    n = len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            i = text.find("\n", i)
            if i < 0:
                return
        elif text.startswith("/*", i):
            i = text.find("*/", i + 2)
            if i < 0:
                return
            i += 2
        elif c == '"' or c == "'":
            prefix = identifier_before(text, i)
            if c == "'" and prefix and prefix not in ALL_PREFIXES:
                i += 1  # a digit separator, or a suffix
                continue
            if prefix not in ALL_PREFIXES:
                prefix = ""  # an identifier that ends right before the quote
            if c == '"' and prefix.endswith("R"):
                close = text.find("(", i)
                delimiter = ")" + text[i + 1:close] + '"'
                end = text.find(delimiter, close)
                if close < 0 or end < 0:
                    raise LiteralError("%s:%d: unterminated raw literal" % (path, text.count("\n", 0, i) + 1))
                if prefix in NARROW_PREFIXES:
                    yield close + 1, end, True
                i = end + len(delimiter)
            else:
                end = end_of_quoted(text, i, c, path)
                if prefix in NARROW_PREFIXES:
                    yield i + 1, end - 1, False
                i = end
        else:
            i += 1


def to_gbk(pieces):
    """GBK bytes of each UTF-8 piece, converted by one iconv run."""
    if not pieces:
        return []
    joined = "\n".join(pieces).encode("utf-8")
    result = subprocess.run(["iconv", "-f", "UTF-8", "-t", "GBK"], input=joined, capture_output=True)
    if result.returncode != 0:
        raise LiteralError(result.stderr.decode("utf-8", "replace").strip())
    # No GBK byte of a two-byte character is 0x0A, so the pieces split back.
    return result.stdout.split(b"\n")


def has_backslash_trail(data):
    i = 0
    while i < len(data):
        if 0x81 <= data[i] <= 0xFE and i + 1 < len(data):
            if data[i + 1] == 0x5C:
                return True
            i += 2
        else:
            i += 1
    return False


def convert(text, path):
    spans = [s for s in literals(text, path) if any(ord(ch) > 0x7F for ch in text[s[0]:s[1]])]
    encoded = to_gbk([text[start:end] for start, end, _ in spans])
    out = bytearray()
    done = 0
    for (start, end, raw), gbk in zip(spans, encoded):
        if not raw and has_backslash_trail(gbk):
            raise LiteralError("%s:%d: a GBK character of this literal ends in 0x5C, which the copy would read as "
                               "an escape" % (path, text.count("\n", 0, start) + 1))
        out += text[done:start].encode("utf-8")
        out += gbk
        done = end
    out += text[done:].encode("utf-8")
    return bytes(out)


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def remove_strays(source, dest, folder):
    """Removes what the copy holds that the source no longer does."""
    for root, dirs, files in os.walk(os.path.join(dest, folder)):
        for name in files:
            path = os.path.join(root, name)
            if not os.path.exists(os.path.join(source, os.path.relpath(path, dest))):
                os.remove(path)


def mirror(source, dest, folder):
    remove_strays(source, dest, folder)
    for root, dirs, files in os.walk(os.path.join(source, folder)):
        dirs[:] = [d for d in dirs if not d.startswith(".")]
        for name in files:
            from_path = os.path.join(root, name)
            to_path = os.path.join(dest, os.path.relpath(from_path, source))
            with open(from_path, "rb") as f:
                data = f.read()
            if name.endswith((".cpp", ".h")):
                data = convert(data.decode("utf-8"), os.path.relpath(from_path, source))
            write_if_changed(to_path, data)
            shutil.copymode(from_path, to_path)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    source, dest = sys.argv[1], sys.argv[2]
    try:
        for item in sys.argv[3:]:
            if not os.path.exists(os.path.join(source, item)):
                continue  # a layer this checkout does not have
            if os.path.isdir(os.path.join(source, item)):
                mirror(source, dest, item)
            else:
                with open(os.path.join(source, item), "rb") as f:
                    write_if_changed(os.path.join(dest, item), f.read())
    except LiteralError as e:
        sys.exit("gbk_sources: %s" % e)


if __name__ == "__main__":
    main()
