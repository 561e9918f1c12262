#!/usr/bin/env python3
"""Writes a WinHelp 3.1 help file (.hlp) from the help text of resources/help/, and beside it
the same topics as one HTML page (.html) for the systems that have no WinHelp.

Usage: make_help.py TEXT HLP [HTML]

The markup of the text is described at its top. The file holds the internal files |SYSTEM
(title, contents topic), |FONT, |TOPIC (topic blocks, LZ77 compressed), |CONTEXT (topic jumps by
the hash of their names) and the index |KWBTREE and |KWDATA, found through the internal
directory, a B+ tree. No phrase table.
"""

import html
import os
import re
import struct
import sys

TOPIC_BLOCK = 4096           # a |TOPIC block on disk, with its 12-byte header
BLOCK_HEADER = 12
BLOCK_DATA = 0x4000          # what one block holds once decompressed; spacing of topic positions
LINK_HEADER = 21             # the fixed part of a topic link record
TOPIC_HEADER_SIZE = 28       # a topic header: sizes, browse sequence, number, where it scrolls
TOPIC_HEADER_RECORD, DISPLAY_RECORD = 0x02, 0x20
NONE = 0xFFFFFFFF

# Fonts: face name, half points, bold, colour. Text, bold text, headings, the contents heading.
FACES = ["MS Sans Serif", "Arial"]
FONTS = [(0, 18, False, (0, 0, 0)), (0, 18, True, (0, 0, 0)),
         (1, 24, True, (0, 0, 128)), (1, 32, True, (0, 0, 128))]
TEXT_FONT, BOLD_FONT, HEADING_FONT, TITLE_FONT = range(4)


# ---- encodings -------------------------------------------------------------------------------

def u16(v): return struct.pack("<H", v & 0xFFFF)
def u32(v): return struct.pack("<I", v & 0xFFFFFFFF)


def cushort(v):
    """Compressed unsigned short: one byte 2v, or two bytes 2v + 1."""
    return bytes([2 * v]) if v < 0x80 else u16(2 * v + 1)


def cshort(v):
    """Compressed signed short: one byte 0x80 + 2v, or two bytes 0x8000 + 2v + 1."""
    return bytes([0x80 + 2 * v]) if -0x40 <= v < 0x40 else u16(0x8000 + 2 * v + 1)


def clong(v):
    """Compressed signed long: two bytes 0x8000 + 2v, or four bytes 0x80000000 + 2v + 1."""
    return u16(0x8000 + 2 * v) if -0x4000 <= v < 0x4000 else u32(0x80000000 + 2 * v + 1)


def context_hash(name):
    """The hash by which a jump names its topic."""
    h = 0
    for c in name.upper():
        x = ord(c) - ord("A") + 17 if "A" <= c <= "Z" else 10 if c == "0" else ord(c) - ord("0") \
            if "1" <= c <= "9" else 12 if c == "." else 13 if c == "_" else 0
        if x:
            h = (h * 43 + x) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


def lz77(data):
    """LZ77 as help files hold it: a flag byte for each 8 items (low bit first); a set bit is a
    2-byte back reference (length - 3 in the top 4 bits, distance - 1 in the low 12)."""
    out, i, n = bytearray(), 0, len(data)
    last = {}  # latest position of each 3-byte string
    while i < n:
        flag_at = len(out)
        out.append(0)
        for bit in range(8):
            if i >= n:
                break
            best_len, best_dist = 0, 0
            j = last.get(data[i:i + 3])
            if j is not None and i - j <= 4096:
                length = 0
                while length < 18 and i + length < n and data[j + length] == data[i + length]:
                    length += 1
                best_len, best_dist = length, i - j
            if best_len >= 3:
                out[flag_at] |= 1 << bit
                out += u16(((best_len - 3) << 12) | (best_dist - 1))
                step = best_len
            else:
                out.append(data[i])
                step = 1
            for k in range(i, i + step):
                last[data[k:k + 3]] = k
            i += step
    return bytes(out)


# ---- the help text ---------------------------------------------------------------------------

class Topic:
    def __init__(self, name, title):
        self.name, self.title, self.paragraphs = name, title, []


def parse(text):
    """Topics of paragraphs; a paragraph is (kind, text) with kind title, heading, item or text."""
    file_title, topics, para = "", [], None

    def end_paragraph():
        nonlocal para
        if para:
            topics[-1].paragraphs.append(tuple(para))
        para = None

    for number, line in enumerate(text.splitlines(), 1):
        line = line.rstrip()
        if line.startswith("#"):
            continue
        if line.startswith(".file "):
            file_title = line[6:].strip()
        elif line.startswith(".topic "):
            end_paragraph()
            parts = line[7:].split(None, 1)
            if len(parts) != 2:
                sys.exit("line %d: .topic needs a name and a title" % number)
            topics.append(Topic(*parts))
            topics[-1].paragraphs.append(("title", parts[1]))
        elif not line:
            end_paragraph()
        elif not topics:
            sys.exit("line %d: text before the first .topic" % number)
        elif line.startswith(".h "):
            end_paragraph()
            topics[-1].paragraphs.append(("heading", line[3:].strip()))
        elif line.startswith("- "):
            end_paragraph()
            para = ["item", line[2:].strip()]
        elif para:
            para[1] += " " + line.strip()
        else:
            para = ["text", line.strip()]
    end_paragraph()
    if not topics:
        sys.exit("no topic in the help text")
    names = [t.name for t in topics]
    for t in topics:
        for _, body in t.paragraphs:
            for target in re.findall(r"\]\(([^)]*)\)", body):
                if target not in names:
                    sys.exit("topic %s jumps to %s, which no topic is" % (t.name, target))
    return file_title or topics[0].title, topics


def ansi(s):
    return s.encode("cp1252")


def display_record(kind, body):
    """The two data parts of a paragraph: formatting (commands) and its text strings."""
    strings, commands = [], []
    font = {"title": TITLE_FONT, "heading": HEADING_FONT}.get(kind, TEXT_FONT)
    pending = b""  # the text before the next command

    def command(cmd):
        nonlocal pending
        strings.append(pending)
        commands.append(cmd)
        pending = b""

    command(b"\x80" + u16(font))
    if kind == "item":
        pending = ansi("\u2022 ")
    for piece in re.split(r"(\*\*.*?\*\*|\[[^\]]*\]\([^)]*\))", body):
        if piece.startswith("**"):
            command(b"\x80" + u16(BOLD_FONT))
            pending = ansi(piece[2:-2])
            command(b"\x80" + u16(font))
        elif piece.startswith("["):
            label, target = re.match(r"\[([^\]]*)\]\(([^)]*)\)", piece).groups()
            command(b"\xE3" + u32(context_hash(target)))  # jump to a topic, by hash
            pending = ansi(label)
            command(b"\x89")  # end of the hot spot
        else:
            pending += ansi(piece)
    command(b"\x82")  # end of paragraph
    command(b"\xFF")  # end of the commands
    text = b"".join(s + b"\0" for s in strings)
    chars = sum(len(s) for s in strings)
    # Paragraph settings: space above (and a hanging indent for list items).
    bits, fields = 0x0002, cshort(12 if kind in ("title", "heading") else 6)
    if kind == "item":
        bits |= 0x0010 | 0x0040
        fields += cshort(30) + cshort(-10)
    # Two bytes 0x00 0x80 and a paragraph id of 0 come before the settings.
    fmt = b"\x00\x80" + u16(0) + u16(bits) + fields + b"".join(commands)
    size = len(fmt) + len(text)
    return clong(size) + cushort(chars) + fmt, text, chars


class Record:
    def __init__(self, kind, topic, data1, data2, chars=0):
        self.kind, self.topic, self.data1, self.data2, self.chars = kind, topic, data1, data2, chars
        self.pos = self.offset = None  # topic position and character offset, once placed

    def size(self):
        return LINK_HEADER + len(self.data1) + len(self.data2)


def topic_records(topics):
    records = []
    for number, t in enumerate(topics):
        # The topic header is filled in once every record has its place.
        records.append(Record(TOPIC_HEADER_RECORD, number, b"\0" * TOPIC_HEADER_SIZE, ansi(t.title) + b"\0"))
        for kind, body in t.paragraphs:
            data1, data2, chars = display_record(kind, body)
            records.append(Record(DISPLAY_RECORD, number, data1, data2, chars))
    return records


def serialize(records, i):
    """Record i as it is stored, linked to the records before and after it."""
    r = records[i]
    prev = records[i - 1].pos if i else NONE
    nxt = records[i + 1].pos if i + 1 < len(records) else NONE
    data1 = r.data1
    if r.kind == TOPIC_HEADER_RECORD:
        mine = [x for x in records if x.topic == r.topic]
        later = [x for x in records[i + 1:] if x.kind == TOPIC_HEADER_RECORD]
        scroll = mine[1].pos if len(mine) > 1 else NONE
        data1 = (u32(sum(x.size() for x in mine)) + u32(NONE) + u32(NONE) + u32(r.topic) + u32(NONE)
                 + u32(scroll) + u32(later[0].pos if later else NONE))
    head = u32(r.size()) + u32(len(r.data2)) + u32(prev) + u32(nxt) + u32(LINK_HEADER + len(data1))
    return head + bytes([r.kind]) + data1 + r.data2


def place(records, blocks):
    """Positions and character offsets of the records, given the first record of each block."""
    for b, first in enumerate(blocks):
        last = blocks[b + 1] if b + 1 < len(blocks) else len(records)
        at, chars = BLOCK_HEADER, 0
        for r in records[first:last]:
            r.pos, r.offset = (b << 14) + at, (b << 15) + chars
            at += r.size()
            chars += r.chars


def compressed_blocks(records, blocks):
    place(records, blocks)
    out = []
    for b, first in enumerate(blocks):
        last = blocks[b + 1] if b + 1 < len(blocks) else len(records)
        out.append(lz77(b"".join(serialize(records, i) for i in range(first, last))))
    return out


def block_fits(records, blocks, end, margin):
    """Whether records[blocks[-1]:end] fit the last block: its compressed data with room to
    spare, and its data with the padding after it (which decompresses too) in one block."""
    place(records, blocks)
    first = blocks[-1]
    packed = lz77(b"".join(serialize(records[:end], i) for i in range(first, end)))
    plain = sum(r.size() for r in records[first:end])
    padding = TOPIC_BLOCK - BLOCK_HEADER - len(packed)
    return padding >= margin and plain + padding * 8 // 9 + 1 <= BLOCK_DATA - BLOCK_HEADER


def topic_file(records):
    """|TOPIC: blocks of 4096 bytes, each a 12-byte header and LZ77 data that decompresses to at
    most 16 KiB. No record crosses a block, so the padding after a block's data is never read."""
    for margin in (16, 64, 256):
        blocks = [0]
        for end in range(2, len(records) + 1):
            if not block_fits(records, blocks, end, margin):
                blocks.append(end - 1)
                if not block_fits(records, blocks, end, margin):
                    sys.exit("a paragraph is too long for one topic block")
        packed = compressed_blocks(records, blocks)
        if all(len(p) <= TOPIC_BLOCK - BLOCK_HEADER for p in packed):
            break
    else:
        sys.exit("the topic blocks do not fit")
    out = bytearray()
    for b, data in enumerate(packed):
        first = blocks[b]
        before = records[:first]
        heads = [r for r in before if r.kind == TOPIC_HEADER_RECORD]
        out += u32(before[-1].pos if before else NONE) + u32(records[first].pos)
        out += u32(heads[-1].pos if heads else NONE) + data
        if b + 1 < len(packed):
            out += b"\0" * (TOPIC_BLOCK - BLOCK_HEADER - len(data))
    # A reader takes at least 0x44 bytes of the last block.
    out += b"\0" * max(0, (len(packed) - 1) * TOPIC_BLOCK + 0x44 - len(out))
    return bytes(out)


# ---- the other internal files ----------------------------------------------------------------

def system_file(title, contents_offset, date):
    """|SYSTEM: header (help compiler 3.1, LZ77 topic blocks of 4 KiB), then records."""
    def record(kind, data):
        return u16(kind) + u16(len(data)) + data
    return (u16(0x036C) + u16(21) + u16(1) + u32(date) + u16(0x0004)
            + record(1, ansi(title) + b"\0") + record(3, u32(contents_offset)))


def font_file():
    """|FONT: face names of 32 bytes, then one 11-byte descriptor for each font."""
    faces = b"".join(ansi(f).ljust(32, b"\0") for f in FACES)
    descriptors = b""
    for face, half_points, bold, colour in FONTS:
        family = 3  # swiss
        descriptors += bytes([1 if bold else 0, half_points, family]) + u16(face) + bytes(colour) + bytes(3)
    return u16(len(FACES)) + u16(len(FONTS)) + u16(8) + u16(8 + len(faces)) + faces + descriptors


def btree(entries, structure, page_size, directory=False):
    """A B+ tree of one leaf page (what a help file of this size needs)."""
    body = b"".join(entries)
    if 8 + len(body) > page_size:
        sys.exit("too many entries for one B+ tree page")
    head = (u16(0x293B) + u16(0x0002 | (0x0400 if directory else 0)) + u16(page_size)
            + ansi(structure).ljust(16, b"\0") + u16(0) + u16(0) + u16(0) + u16(0xFFFF) + u16(1) + u16(1)
            + u32(len(entries)))
    page = u16(page_size - 8 - len(body)) + u16(len(entries)) + u16(0xFFFF) + u16(0xFFFF) + body
    return head + page.ljust(page_size, b"\0")


def context_file(topics, records):
    """|CONTEXT: the hash of each topic name and the topic's offset, in the order of the hashes."""
    heads = [r for r in records if r.kind == TOPIC_HEADER_RECORD]
    pairs = sorted((context_hash(t.name), heads[i].offset) for i, t in enumerate(topics))
    for a, b in zip(pairs, pairs[1:]):
        if a[0] == b[0]:
            sys.exit("two topic names with the same hash")
    return btree([struct.pack("<iI", h, o) for h, o in pairs], "L4", 2048)


def keyword_files(topics, records):
    """|KWBTREE (each topic title with its count of topics and its place in |KWDATA) and
    |KWDATA (the topic offsets): the viewer's index."""
    heads = [r for r in records if r.kind == TOPIC_HEADER_RECORD]
    entries, data = [], b""
    for title, offset in sorted(((t.title, heads[i].offset) for i, t in enumerate(topics)),
                                key=lambda e: e[0].lower()):
        entries.append(ansi(title) + b"\0" + u16(1) + u32(len(data)))
        data += u32(offset)
    return btree(entries, "z24", 2048), data


def internal_file(data):
    return u32(len(data) + 9) + u32(len(data)) + b"\x04" + data


def help_file(files):
    """The file header, the internal files, then the directory that names them."""
    out = bytearray(16)
    places = {}
    for name in sorted(files, key=ansi):
        places[name] = len(out)
        out += internal_file(files[name])
    entries = [ansi(name) + b"\0" + u32(places[name]) for name in sorted(files, key=ansi)]
    directory_at = len(out)
    out += internal_file(btree(entries, "z4", 1024, directory=True))
    out[0:16] = u32(0x00035F3F) + u32(directory_at) + u32(NONE) + u32(len(out))
    return bytes(out)


def html_inline(body):
    """Text of a paragraph as HTML: bold, and jumps as links to the topic's anchor."""
    out, pos = [], 0
    for m in re.finditer(r"\*\*(.+?)\*\*|\[([^\]]*)\]\(([^)]*)\)", body):
        out.append(html.escape(body[pos:m.start()]))
        if m.group(1) is not None:
            out.append("<b>%s</b>" % html.escape(m.group(1)))
        else:
            out.append('<a href="#%s">%s</a>' % (html.escape(m.group(3)), html.escape(m.group(2))))
        pos = m.end()
    out.append(html.escape(body[pos:]))
    return "".join(out)


def html_page(title, topics):
    """One page: every topic a section with its name as anchor, the first one the contents."""
    lines = ["<!DOCTYPE html>", '<html lang="en">', "<head>", '<meta charset="utf-8">',
             "<title>%s</title>" % html.escape(title),
             "<style>body{font-family:Segoe UI,Tahoma,sans-serif;max-width:46em;margin:1em auto;"
             "padding:0 1em;line-height:1.45}h1,h2{color:#000080}h2{border-top:1px solid #ccc;"
             "padding-top:.8em}section{margin-bottom:1.5em}</style>",
             "</head>", "<body>"]
    for number, topic in enumerate(topics):
        lines.append('<section id="%s">' % html.escape(topic.name))
        in_list = False
        for kind, body in topic.paragraphs:
            if kind != "item" and in_list:
                lines.append("</ul>")
                in_list = False
            if kind == "title":
                tag = "h1" if number == 0 else "h2"
                lines.append("<%s>%s</%s>" % (tag, html.escape(body), tag))
            elif kind == "heading":
                lines.append("<h3>%s</h3>" % html.escape(body))
            elif kind == "item":
                if not in_list:
                    lines.append("<ul>")
                    in_list = True
                lines.append("<li>%s</li>" % html_inline(body))
            else:
                lines.append("<p>%s</p>" % html_inline(body))
        if in_list:
            lines.append("</ul>")
        if number:
            lines.append('<p><a href="#%s">Contents</a></p>' % html.escape(topics[0].name))
        lines.append("</section>")
    lines += ["</body>", "</html>", ""]
    return "\r\n".join(lines)


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        title, topics = parse(f.read())
    records = topic_records(topics)
    topic = topic_file(records)
    date = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    files = {"|SYSTEM": system_file(title, records[0].offset, date), "|FONT": font_file(),
             "|TOPIC": topic, "|CONTEXT": context_file(topics, records)}
    files["|KWBTREE"], files["|KWDATA"] = keyword_files(topics, records)
    data = help_file(files)
    os.makedirs(os.path.dirname(os.path.abspath(sys.argv[2])), exist_ok=True)
    with open(sys.argv[2], "wb") as f:
        f.write(data)
    if len(sys.argv) == 4:
        with open(sys.argv[3], "wb") as f:
            f.write(html_page(title, topics).encode("utf-8"))


if __name__ == "__main__":
    main()
