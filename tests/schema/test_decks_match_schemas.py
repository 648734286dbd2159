#!/usr/bin/python3
"""Every deck quillmere-cli writes is valid by the ECMA-376 schemas (tools/check-ooxml-schema.py):
its slides, charts, themes and relationships, and the workbook embedded for each chart.

    test_decks_match_schemas.py QUILLMERE_CLI

The decks: every generated workbook with charts (tools/make_test_workbooks.py, both sets), the
sample .xls and the .xls files saved by the spreadsheet application, each copied into a new
deck, and one copied into a deck that already holds charts. Then the check itself is held to
fail: on a chart with an element out of its place and on a slide with an element the schema
does not know.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHECKER = os.path.join(ROOT, "tools", "check-ooxml-schema.py")
GENERATOR = os.path.join(ROOT, "tools", "make_test_workbooks.py")
LEGACY = os.path.join(ROOT, "tests", "legacy", "data")
# Generated workbooks that hold charts (the others are broken or empty on purpose).
GENERATED = ["charts", "groups", "shared-ranges", "cachefallback", "chartparts", "unordered", "chartex",
             "defaults-2007", "defaults-2007-more"]
SAVED_XLS = [os.path.join(ROOT, "assets", "Samples", "sample1.xls")] + [
    os.path.join(LEGACY, name) for name in
    ("WithThreeCharts.xls", "SimpleChart.xls", "SimpleScatterChart.xls", "25183.xls",
     "49581.xls")]

failures = []


def check(label, condition, detail=""):
    if not condition:
        failures.append("%s %s" % (label, detail))
        print("FAIL %s\n%s" % (label, detail))
    else:
        print("ok   %s" % label)


def run(args):
    return subprocess.run(args, capture_output=True, text=True)


def schema_check(deck):
    result = run([sys.executable, CHECKER, "--quiet", deck])
    return result.returncode, result.stdout + result.stderr


def rewritten(source, target, part, edit):
    """A copy of package `source` at `target` with `part`'s text passed through `edit`."""
    with zipfile.ZipFile(source) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            data = zin.read(info.filename)
            if info.filename == part:
                data = edit(data.decode("utf-8")).encode("utf-8")
            zout.writestr(info, data)


def main(cli):
    work = tempfile.mkdtemp(prefix="schemas-")
    try:
        for args in ([work], ["--defaults-2007", work]):
            result = run([sys.executable, GENERATOR] + args)
            if result.returncode != 0:
                print(result.stderr)
                return 1
        workbooks = [os.path.join(work, name + ".xlsx") for name in GENERATED] + SAVED_XLS
        decks = []
        for workbook in workbooks:
            deck = os.path.join(work, os.path.basename(workbook) + ".pptx")
            result = run([cli, "copy", workbook, "--output", deck])
            check("copy " + os.path.basename(workbook), result.returncode == 0, result.stderr)
            if result.returncode == 0:
                decks.append(deck)

        # A deck that already holds charts, with more appended.
        base = os.path.join(work, "charts.xlsx.pptx")
        appended = os.path.join(work, "appended.pptx")
        result = run([cli, "copy", os.path.join(work, "groups.xlsx"), "--into", base,
                      "--output", appended])
        check("copy --into a deck with charts", result.returncode == 0, result.stderr)
        if result.returncode == 0:
            decks.append(appended)

        # A chart sheet's chart of the newer kinds, asked for by its sheet.
        flow = os.path.join(work, "chartex-chartsheet.pptx")
        result = run([cli, "copy", os.path.join(work, "chartex-chartsheet.xlsx"), "--chart", "Flow",
                      "--output", flow])
        check("copy a chart sheet of a newer kind", result.returncode == 0, result.stderr)
        if result.returncode == 0:
            decks.append(flow)

        # Charts linked to their workbook instead of embedding it, and a deck refreshed with
        # each chart redrawn from its workbook.
        linked = os.path.join(work, "linked.pptx")
        result = run([cli, "copy", os.path.join(work, "charts.xlsx"), "--link", "--output", linked])
        check("copy --link", result.returncode == 0, result.stderr)
        if result.returncode == 0:
            decks.append(linked)
        redrawn = os.path.join(work, "redrawn.pptx")
        result = run([cli, "refresh", base, "--replace", "--output", redrawn])
        check("refresh --replace", result.returncode == 0, result.stderr + result.stdout)
        if result.returncode == 0:
            decks.append(redrawn)
        for deck in decks:
            status, report = schema_check(deck)
            check("valid " + os.path.basename(deck), status == 0, report)

        # The check can fail.
        with zipfile.ZipFile(base) as z:
            chart = sorted(n for n in z.namelist() if n.startswith("ppt/charts/chart"))[0]
            slide = sorted(n for n in z.namelist() if n.startswith("ppt/slides/slide"))[0]
        misplaced = os.path.join(work, "misplaced.pptx")
        rewritten(base, misplaced, chart, lambda xml: xml.replace(
            "<c:plotArea>", "<c:legend><c:legendPos val=\"r\"/></c:legend><c:plotArea>", 1))
        status, report = schema_check(misplaced)
        check("an element out of place in a chart is an error", status == 1 and chart in report,
              report)
        unknown = os.path.join(work, "unknown.pptx")
        rewritten(base, unknown, slide, lambda xml: xml.replace("</p:cSld>",
                                                                 "<p:unknown/></p:cSld>", 1))
        status, report = schema_check(unknown)
        check("an unknown element on a slide is an error", status == 1 and slide in report, report)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
