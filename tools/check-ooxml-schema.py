#!/usr/bin/python3
"""Checks the XML parts of Open XML packages (.pptx, .xlsx, and the workbooks embedded in them)
against the ECMA-376 transitional schemas, the way a strict consumer reads them.

    check-ooxml-schema.py [--schemas DIR] [--quiet] PACKAGE...

Each part is checked by the schema of its content type: presentation, slide, layout, master and
the other PresentationML parts by pml.xsd, charts by dml-chart.xsd, themes by dml-main.xsd, the
workbook parts by sml.xsd, drawings of sheets by dml-spreadsheetDrawing.xsd, the charts of the
newer kinds (chartex) by ms-chartex.xsd, [Content_Types].xml and every .rels by the packaging
schemas. Parts of a type no schema here describes (chart styles
and colours of later office versions, document properties, pictures) are listed as not checked.

Before a part is checked, Markup Compatibility is applied as a consumer that knows only these
schemas applies it: of an mc:AlternateContent the mc:Fallback is kept (no mc:Choice can be
understood), and elements and attributes of namespaces the part declares mc:Ignorable are
dropped. xml:space is dropped too: XML itself gives it its meaning on every element, and the
office applications write it where the schemas, written before that was settled, declare none.
Anything else outside the schemas is an error, as it would be to such a consumer.

Exit status: 0 every checked part is valid, 1 a part is not (each error printed as
PACKAGE!/part:line: message), 2 a package cannot be read.
"""
import argparse
import io
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SCHEMAS = os.path.join(os.path.dirname(HERE), "tests", "schema", "data",
                               "ecma-376-transitional")

MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
XML_SPACE = "{http://www.w3.org/XML/1998/namespace}space"
CT_PREFIX = "application/vnd.openxmlformats-officedocument."

# Content type (without the common prefix) -> schema file.
SCHEMA_OF_TYPE = {
    "presentationml.presentation.main+xml": "pml.xsd",
    "presentationml.slideshow.main+xml": "pml.xsd",
    "presentationml.template.main+xml": "pml.xsd",
    "presentationml.slide+xml": "pml.xsd",
    "presentationml.slideLayout+xml": "pml.xsd",
    "presentationml.slideMaster+xml": "pml.xsd",
    "presentationml.notesSlide+xml": "pml.xsd",
    "presentationml.notesMaster+xml": "pml.xsd",
    "presentationml.handoutMaster+xml": "pml.xsd",
    "presentationml.presProps+xml": "pml.xsd",
    "presentationml.viewProps+xml": "pml.xsd",
    "presentationml.tags+xml": "pml.xsd",
    "presentationml.commentAuthors+xml": "pml.xsd",
    "presentationml.comments+xml": "pml.xsd",
    "presentationml.tableStyles+xml": "dml-main.xsd",
    "theme+xml": "dml-main.xsd",
    "themeOverride+xml": "dml-main.xsd",
    "drawingml.chart+xml": "dml-chart.xsd",
    "drawingml.chartshapes+xml": "dml-chartDrawing.xsd",
    "drawing+xml": "dml-spreadsheetDrawing.xsd",
    "spreadsheetml.sheet.main+xml": "sml.xsd",
    "spreadsheetml.sheet.macroEnabled.main+xml": "sml.xsd",
    "spreadsheetml.template.main+xml": "sml.xsd",
    "spreadsheetml.worksheet+xml": "sml.xsd",
    "spreadsheetml.chartsheet+xml": "sml.xsd",
    "spreadsheetml.sharedStrings+xml": "sml.xsd",
    "spreadsheetml.styles+xml": "sml.xsd",
    "spreadsheetml.calcChain+xml": "sml.xsd",
    "spreadsheetml.table+xml": "sml.xsd",
}
# Content types outside the common prefix -> schema file.
SCHEMA_OF_OTHER_TYPE = {
    "application/vnd.ms-office.chartex+xml": "ms-chartex.xsd",
}
EMBEDDED_PACKAGE_TYPES = {
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
    "application/vnd.ms-excel.sheet.macroEnabled.12",
}


class Package:
    """A package's parts by name and their content types, from [Content_Types].xml."""

    def __init__(self, data, label):
        self.label = label
        self.zip = zipfile.ZipFile(io.BytesIO(data))
        self.names = [n for n in self.zip.namelist() if not n.endswith("/")]
        types = ET.fromstring(self.zip.read("[Content_Types].xml"))
        ns = "{http://schemas.openxmlformats.org/package/2006/content-types}"
        self.defaults = {e.get("Extension", "").lower(): e.get("ContentType")
                         for e in types.iter(ns + "Default")}
        self.overrides = {e.get("PartName", "").lstrip("/"): e.get("ContentType")
                          for e in types.iter(ns + "Override")}

    def content_type(self, name):
        if name in self.overrides:
            return self.overrides[name]
        return self.defaults.get(name.rsplit(".", 1)[-1].lower(), "")


def declared_prefixes(data):
    """Every prefix -> namespace declaration of the document (prefixes are per document here)."""
    prefixes = {}
    for event, (prefix, uri) in ET.iterparse(io.BytesIO(data), events=("start-ns",)):
        prefixes.setdefault(prefix, set()).add(uri)
    return prefixes


def understood_namespaces(schema_dir):
    namespaces = {"http://www.w3.org/XML/1998/namespace"}
    for name in os.listdir(schema_dir):
        if name.endswith(".xsd"):
            root = ET.parse(os.path.join(schema_dir, name)).getroot()
            namespaces.add(root.get("targetNamespace"))
    return namespaces


def apply_markup_compatibility(data, understood):
    """The part as a consumer that understands only `understood` sees it (see the module text)."""
    prefixes = declared_prefixes(data)
    root = ET.fromstring(data)
    ignorable = set()
    for element in root.iter():
        for prefix in (element.get("{%s}Ignorable" % MC) or "").split():
            ignorable |= prefixes.get(prefix, set())
    ignorable -= understood

    def namespace_of(tag):
        return tag[1:].split("}", 1)[0] if tag.startswith("{") else ""

    def rebuild(element):
        for attribute in list(element.attrib):
            ns = namespace_of(attribute)
            if ns == MC or ns in ignorable or attribute == XML_SPACE:
                del element.attrib[attribute]
        children = []
        for child in list(element):
            if not isinstance(child.tag, str):
                continue
            if child.tag == "{%s}AlternateContent" % MC:
                fallback = child.find("{%s}Fallback" % MC)
                children.extend(fallback if fallback is not None else [])
            elif namespace_of(child.tag) in ignorable:
                continue
            else:
                children.append(child)
        for child in list(element):
            element.remove(child)
        for child in children:
            rebuild(child)
            element.append(child)

    rebuild(root)
    return ET.tostring(root, encoding="utf-8", xml_declaration=True)


def collect(package, understood, scratch, batches, unchecked, failures):
    """Writes each checkable part of `package` (and of the packages inside it) into `scratch`,
    grouped by schema in `batches`: schema -> [(file, label)]."""
    def queue(schema, label, data):
        path = os.path.join(scratch, "%d.xml" % sum(len(v) for v in batches.values()))
        with open(path, "wb") as out:
            out.write(data)
        batches.setdefault(schema, []).append((path, label))

    queue("opc-contentTypes.xsd", package.label + "!/[Content_Types].xml",
          package.zip.read("[Content_Types].xml"))
    for name in package.names:
        label = package.label + "!/" + name
        if name == "[Content_Types].xml":
            continue
        if name.endswith(".rels"):
            queue("opc-relationships.xsd", label, package.zip.read(name))
            continue
        content_type = package.content_type(name)
        if content_type in EMBEDDED_PACKAGE_TYPES:
            try:
                inner = Package(package.zip.read(name), label)
            except (zipfile.BadZipFile, KeyError, ET.ParseError) as error:
                failures.append("%s: embedded package cannot be read: %s" % (label, error))
                continue
            collect(inner, understood, scratch, batches, unchecked, failures)
            continue
        schema = None
        if content_type.startswith(CT_PREFIX):
            schema = SCHEMA_OF_TYPE.get(content_type[len(CT_PREFIX):])
        else:
            schema = SCHEMA_OF_OTHER_TYPE.get(content_type)
        if schema is None:
            unchecked.append("%s (%s)" % (label, content_type or "no content type"))
            continue
        try:
            queue(schema, label, apply_markup_compatibility(package.zip.read(name), understood))
        except ET.ParseError as error:
            failures.append("%s: not well-formed XML: %s" % (label, error))


def validate(schema_dir, batches):
    """Runs xmllint once per schema; returns the error lines, each naming its part."""
    errors = []
    for schema, files in sorted(batches.items()):
        labels = {path: label for path, label in files}
        result = subprocess.run(
            ["xmllint", "--noout", "--nonet", "--schema", os.path.join(schema_dir, schema)]
            + [path for path, _ in files], capture_output=True, text=True)
        for line in result.stderr.splitlines():
            if line.endswith(" validates") or line.endswith(" fails to validate"):
                continue
            for path, label in labels.items():
                if line.startswith(path + ":"):
                    line = label + line[len(path):]
                    break
            if line.strip():
                errors.append(line)
        if result.returncode not in (0, 3) and not errors:
            errors.append("xmllint failed on %s (status %d)" % (schema, result.returncode))
    return errors


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--schemas", default=DEFAULT_SCHEMAS)
    parser.add_argument("--quiet", action="store_true", help="print errors only")
    parser.add_argument("packages", nargs="+")
    args = parser.parse_args()
    understood = understood_namespaces(args.schemas)
    status = 0
    for path in args.packages:
        batches, unchecked, failures = {}, [], []
        with tempfile.TemporaryDirectory() as scratch:
            try:
                with open(path, "rb") as f:
                    package = Package(f.read(), path)
            except (OSError, zipfile.BadZipFile, KeyError, ET.ParseError) as error:
                print("%s: cannot be read as a package: %s" % (path, error), file=sys.stderr)
                status = max(status, 2)
                continue
            collect(package, understood, scratch, batches, unchecked, failures)
            errors = failures + validate(args.schemas, batches)
        checked = sum(len(v) for v in batches.values())
        for line in errors:
            print(line)
        if not args.quiet:
            print("%s: %d parts checked, %d not checked by any schema here, %d errors"
                  % (path, checked, len(unchecked), len(errors)))
            for line in unchecked:
                print("  not checked: " + line)
        if errors:
            status = max(status, 1)
    return status


if __name__ == "__main__":
    sys.exit(main())
