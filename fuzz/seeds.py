#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora from the tree's own form files and scripts.

Run from anywhere: python3 fuzz/seeds.py. The seeds are committed; ./run fuzz adds
to the corpora what the fuzzers find, and this need only run when the examples change.
"""
import hashlib
import pathlib
import re
import struct

root = pathlib.Path(__file__).resolve().parent.parent
corpus = root / "fuzz" / "corpus"
skip = ("build", ".git", "fuzz")
extent_keys = {"left", "top", "width", "height", "tabindex", "tabstop", "visible", "index"}


def tree_files(pattern):
    return sorted(p for p in root.rglob(pattern)
                  if not any(part.startswith(skip) for part in p.relative_to(root).parts[:1]))


def put(target, name, data):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def seed_name(path, ext):
    rel = path.relative_to(root).with_suffix("")
    return "_".join(rel.parts) + ext


def text(s):
    b = s.encode()
    return struct.pack("<I", len(b)) + b


def record_value(literal):
    """One value of the stream record for a form file's literal, or None."""
    v = literal.strip()
    m = re.fullmatch(r'(?i)font\("((?:[^"]|"")*)",\s*([0-9.]+)((?:\s*,\s*\w+)*)\)', v)
    if m:
        flags = 0
        for i, word in enumerate(("bold", "italic", "underline", "strikethrough")):
            if word in m.group(3).lower():
                flags |= 1 << i
        return bytes([7]) + text(m.group(1).replace('""', '"')) + struct.pack("<fB", float(m.group(2)), flags)
    if re.fullmatch(r'(?i)picture\(.*\)', v):
        # The model host's picture record: 2 by 2 pixels.
        return bytes([8, 1]) + struct.pack("<HH", 2, 2) + struct.pack("<4I", 0xFF, 0xFF00, 0xFF0000, 0)
    if v.lower() in ("true", "false"):
        return bytes([1, v.lower() == "true"])
    if v.lower() == "nothing":
        return bytes([8, 0])
    if v.startswith('"') and v.endswith('"'):
        return bytes([6]) + text(v[1:-1].replace('""', '"'))
    if re.fullmatch(r'(?i)0x[0-9a-f]+', v):
        return bytes([3]) + struct.pack("<I", int(v, 16) & 0xFFFFFFFF)
    if re.fullmatch(r'[-+]?\d+', v):
        n = int(v)
        if -32768 <= n <= 32767:
            return bytes([2]) + struct.pack("<h", n)
        if -2**31 <= n < 2**31:
            return bytes([3]) + struct.pack("<i", n)
    try:
        return bytes([5]) + struct.pack("<d", float(v))
    except ValueError:
        return None


values = set()
for vfm in tree_files("*.vfm"):
    data = vfm.read_bytes()
    put("vfm", seed_name(vfm, ".vfm"), data)
    # Each control block's bag, as the stream record would hold it.
    stack = []
    for line in data.decode(errors="replace").splitlines():
        t = line.strip()
        if t.lower().startswith("begin "):
            stack.append([])
        elif t.lower() == "end" and stack:
            entries = stack.pop()
            if entries:
                record = b"GTBV" + struct.pack("<I", len(entries)) + b"".join(entries)
                put("property_stream", hashlib.sha1(record).hexdigest()[:16], record)
        elif "=" in t and stack:
            key, literal = (s.strip() for s in t.split("=", 1))
            values.add(literal)
            value = record_value(literal)
            if value is not None and key.lower() not in extent_keys:
                stack[-1].append(text(key) + value)

for script in tree_files("*.txt"):
    if script.parent.name != "scripts" and script.parent.name != "examples":
        continue
    data = script.read_bytes()
    put("script", seed_name(script, ".txt"), data)
    for line in data.decode(errors="replace").splitlines():
        words = line.split(None, 3)
        if len(words) == 4 and words[0] == "set":
            values.add(words[3])

for v in sorted(values):
    put("value_literal", hashlib.sha1(v.encode()).hexdigest()[:16], v.encode())
