#!/usr/bin/python3
"""Writes a libFuzzer dictionary of the XML names a set of files uses, to standard output.

    make-fuzz-dictionary.py [--title TEXT] FILE_OR_FOLDER...

Zip packages (workbooks, decks) are opened and every .xml and .rels entry read; other files
are read as XML. The dictionary holds each element's opening and closing tag, each attribute
name with its `="`, each namespace, relationship type and content type, and a few values that
reach the readers' edge cases. Files that are neither zip nor XML are passed over.
"""

import os
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

EDGE_VALUES = ["0", "-1", "1", "4294967295", "2147483648", "1e308", "NaN", "INF", "", "rId1", "true", "false"]


def xml_texts(path):
    try:
        with zipfile.ZipFile(path) as z:
            for name in z.namelist():
                if name.endswith((".xml", ".rels")) and z.getinfo(name).file_size < 8 << 20:
                    yield z.read(name)
        return
    except (zipfile.BadZipFile, OSError):
        pass
    with open(path, "rb") as f:
        data = f.read()
    if data.lstrip()[:1] == b"<":
        yield data


def prefixed(tag, prefixes):
    """'{uri}local' as prefix:local with the prefix the document declared for uri."""
    if tag.startswith("{"):
        uri, local = tag[1:].split("}", 1)
        prefix = prefixes.get(uri)
        return (prefix + ":" + local) if prefix else local, uri
    return tag, None


def harvest(data, tokens):
    prefixes = {}
    try:
        for event, item in ET.iterparse(__import__("io").BytesIO(data), events=("start-ns", "start")):
            if event == "start-ns":
                prefix, uri = item
                prefixes.setdefault(uri, prefix)
                tokens.add(uri)
                continue
            name, _ = prefixed(item.tag, prefixes)
            tokens.add("<" + name)
            tokens.add("</" + name + ">")
            for attribute, value in item.attrib.items():
                attribute_name, _ = prefixed(attribute, prefixes)
                tokens.add(" " + attribute_name + '="')
                if attribute_name in ("Type", "ContentType"):
                    tokens.add(value)
    except ET.ParseError:
        pass


def quoted(token):
    out = []
    for ch in token.encode("utf-8"):
        c = chr(ch)
        if c in '"\\':
            out.append("\\" + c)
        elif 32 <= ch < 127:
            out.append(c)
        else:
            out.append("\\x%02X" % ch)
    return '"' + "".join(out) + '"'


def main(argv):
    title = "XML names"
    if len(argv) > 2 and argv[1] == "--title":
        title = argv[2]
        argv = argv[2:]
    tokens = set()
    for arg in argv[1:]:
        paths = [arg]
        if os.path.isdir(arg):
            paths = [os.path.join(d, f) for d, _, fs in os.walk(arg) for f in fs]
        for path in sorted(paths):
            for data in xml_texts(path):
                harvest(data, tokens)
    tokens.update('val="%s"' % v for v in EDGE_VALUES)
    tokens.update(['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>', "/>", "&amp;", "&#x10FFFF;", "&#0;",
                   "<![CDATA[", "]]>", "<!--", "-->", "<!DOCTYPE", "?>", " xmlns:"])
    print("# %s, for libFuzzer -dict; written by tools/make-fuzz-dictionary.py from the seeds." % title)
    for token in sorted(t for t in tokens if t and len(t) < 200):
        print(quoted(token))


if __name__ == "__main__":
    main(sys.argv)
