#!/usr/bin/python3
"""Draws every chart of a workbook beside the same chart pasted onto a slide by Quillmere, with
a difference score per pair, so that changes in look can be seen and measured.

    compare-charts.py WORKBOOK OUTDIR [--cli PATH] [--renderer LABEL=COMMAND | quillmere]...
                      [--dpi N] [--timeout SECONDS] [--into DECK] [--keep-source-formatting]

For each chart object of each worksheet (in tab and drawing order):
  column 1 "workbook"  LibreOffice draws the chart from WORKBOOK;
  column 2 "slide"     quillmere-cli copy puts every chart on its own slide of a new
                       presentation (or, with --into, of a copy of DECK after its slides; a
                       chart it cannot copy is left out and reported; with
                       --keep-source-formatting in the workbook's look rather than the
                       deck's theme), and LibreOffice draws the chart from that slide;
  further columns      each --renderer command draws it. COMMAND is run through the shell
                       with these fields filled in: {workbook} {presentation} {slide} {sheet}
                       {index} {name} {width} {height} {dpi} {scale} (dpi / 96) {cli} {out}
                       {outdir}; it writes a PNG to {out}, or a single PNG into the empty
                       folder {outdir}. Fields are shell-quoted; write {{ and }} for plain
                       braces. --renderer quillmere alone is Quillmere's own renderer:
                       {cli} render {workbook} --chart {sheet}:{index} --format png
                       --scale {scale} --output {outdir}
                       (the chart at its own size, at --dpi).
LibreOffice draws each chart at its own size (the shape's size on the sheet or slide) at --dpi
dots per inch (96 unless given).

OUTDIR receives:
  pasted.pptx       the presentation quillmere-cli made;
  <n>-<column>.png  each drawing;  <n>-pair.png  the drawings of chart n side by side;
  contact-sheet.png every pair with its scores;  scores.tsv and scores.json.
Scores compare each column with column 1, after both are flattened onto white and the other is
resized to column 1's pixel size (ImageMagick):
  mad   mean absolute difference of all channels, in percent of full scale (compare -metric MAE);
  diff  share of pixels, in percent, that differ by more than 10% (compare -metric AE -fuzz 10%).
0 means the same picture. A chart that cannot be copied, pasted or drawn is listed with its
error and no score; the run goes on. LibreOffice runs headless with a profile of its own in a
temporary folder, is stopped at the end, and is killed when it overruns --timeout (whole run,
default 300 s).

Exit status: 0 when every chart got every drawing and score, 1 when any failed, 2 for wrong
arguments or when LibreOffice or ImageMagick cannot be used at all.
Needs /usr/bin/python3 with python3-uno, LibreOffice (calc, impress) and ImageMagick.
"""
import argparse
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHART_CLSID = "12DCAE26-281F-416F-A234-C3086127382E"


class Failure(Exception):
    pass


def default_cli():
    for candidate in (os.path.join(HERE, "..", "build", "bin", "quillmere-cli"),
                      shutil.which("quillmere-cli") or ""):
        if candidate and os.access(candidate, os.X_OK):
            return os.path.abspath(candidate)
    return None


# --- LibreOffice ------------------------------------------------------------------------------

class Office:
    """A headless LibreOffice of our own, reached over a named pipe. Killed (its whole process
    group) when the deadline passes or on close, so nothing is left running."""

    def __init__(self, workdir, deadline):
        import uno  # noqa: F401 (fails early, with a clear message, when python3-uno is missing)
        self.profile = os.path.join(workdir, "lo-profile")
        self.pipe = "quillmere-compare-%d-%d" % (os.getpid(), int(time.time() * 1000) % 100000)
        soffice = shutil.which("soffice")
        if not soffice:
            raise Failure("LibreOffice (soffice) is not installed")
        self.process = subprocess.Popen(
            [soffice, "-env:UserInstallation=file://" + self.profile, "--headless", "--invisible",
             "--nologo", "--norestore", "--nodefault", "--nolockcheck",
             "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        self.timed_out = False
        self.watchdog = threading.Timer(max(1.0, deadline - time.monotonic()), self._overrun)
        self.watchdog.daemon = True
        self.watchdog.start()
        self.desktop = self._connect(deadline)

    def _overrun(self):
        self.timed_out = True
        self._kill()

    def _kill(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.process.wait()

    def _connect(self, deadline):
        import uno
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe
        while True:
            try:
                context = resolver.resolve(url)
                break
            except Exception:
                if self.process.poll() is not None:
                    raise Failure("LibreOffice ended before it could be reached")
                if time.monotonic() > deadline:
                    raise Failure("LibreOffice did not answer in time")
                time.sleep(0.25)
        self.context = context
        return context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)

    def load(self, path):
        import uno
        args = (prop("Hidden", True), prop("ReadOnly", True))
        doc = self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)),
                                                "_blank", 0, args)
        if doc is None:
            raise Failure("LibreOffice could not open %s" % path)
        return doc

    def export_shape(self, shape, out, dpi):
        """Draws one shape as PNG at its own size and dpi; returns (width, height) in pixels."""
        import uno
        size = shape.Size  # 1/100 mm
        width = max(1, round(size.Width / 2540.0 * dpi))
        height = max(1, round(size.Height / 2540.0 * dpi))
        exporter = self.context.ServiceManager.createInstanceWithContext(
            "com.sun.star.drawing.GraphicExportFilter", self.context)
        exporter.setSourceDocument(shape)
        filter_data = uno.Any("[]com.sun.star.beans.PropertyValue",
                              (prop("PixelWidth", width), prop("PixelHeight", height)))
        exporter.filter((prop("URL", uno.systemPathToFileUrl(out)), prop("MediaType", "image/png"),
                         prop("FilterData", filter_data)))
        if not os.path.exists(out) or os.path.getsize(out) == 0:
            raise Failure("LibreOffice wrote no picture")
        return width, height

    def close(self):
        self.watchdog.cancel()
        if self.process.poll() is None and not self.timed_out:
            try:
                self.desktop.terminate()
            except Exception:
                pass  # the bridge goes down with the office; killed below if it lingers
            try:
                self.process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
        self._kill()


def prop(name, value):
    import uno
    p = uno.createUnoStruct("com.sun.star.beans.PropertyValue")
    p.Name = name
    p.Value = value
    return p


def is_chart(shape):
    try:
        if not shape.supportsService("com.sun.star.drawing.OLE2Shape"):
            return False
        return shape.CLSID.upper() == CHART_CLSID
    except Exception:
        return False


def chart_shapes(draw_page):
    """The chart shapes at the top level of a draw page, in drawing order: what a sheet's
    ChartObjects counts (charts inside groups are not chart objects of their own)."""
    found = []
    for i in range(draw_page.getCount()):
        shape = draw_page.getByIndex(i)
        if is_chart(shape):
            found.append(shape)
    return found


def find_chart(shapes, chart):
    """The shape of a listed chart: the one whose name is the chart object's name when exactly
    one is, else the one at its index (twins share a name)."""
    prefix = chart["sheet"] + " "
    own = chart["name"][len(prefix):] if chart["name"].startswith(prefix) else chart["name"]
    named = [shape for shape in shapes if shape.Name == own]
    if len(named) == 1:
        return named[0]
    if chart["index"] > len(shapes):
        raise Failure("LibreOffice found %d chart(s) on the sheet" % len(shapes))
    return shapes[chart["index"] - 1]


# --- ImageMagick ------------------------------------------------------------------------------

def magick_tools():
    tools = {name: shutil.which(name) for name in ("convert", "compare", "montage")}
    missing = [name for name, path in tools.items() if not path]
    if missing:
        raise Failure("ImageMagick is missing (%s)" % ", ".join(missing))
    return tools


def run(command, timeout, **kwargs):
    return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=timeout, **kwargs)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure("%s is not a PNG" % os.path.basename(path))
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def score(tools, reference, other, workdir):
    """(mad, diff) of other against reference, in percent (see the module's description)."""
    width, height = png_size(reference)
    a = os.path.join(workdir, "a.png")
    b = os.path.join(workdir, "b.png")
    for source, target, geometry in ((reference, a, None), (other, b, "%dx%d!" % (width, height))):
        command = [tools["convert"], source, "-background", "white", "-alpha", "remove",
                   "-alpha", "off"]
        if geometry:
            command += ["-resize", geometry]
        result = run(command + ["PNG24:" + target], 60)
        if result.returncode != 0:
            raise Failure("convert failed: %s" % result.stderr.strip())

    def metric(*extra):
        # compare exits 1 when the pictures differ: only 2 is a failure. It prints on stderr.
        result = run([tools["compare"], *extra, a, b, "null:"], 60)
        if result.returncode > 1:
            raise Failure("compare failed: %s" % result.stderr.strip())
        return result.stderr.strip()

    mae = metric("-metric", "MAE")          # "123.4 (0.00188)"
    mad = float(mae.split("(")[1].rstrip(")")) * 100.0
    changed = float(metric("-metric", "AE", "-fuzz", "10%").split()[0])
    diff = changed * 100.0 / (width * height)
    return round(mad, 2), round(diff, 2)


def labelled_row(tools, cells, title, out):
    """cells: [(label, png or None)]; draws them side by side under their labels."""
    command = [tools["montage"], "-background", "white", "-font", "DejaVu-Sans", "-pointsize", "13",
               "-geometry", "+8+8", "-tile", "%dx1" % len(cells), "-title", title]
    for label, path in cells:
        command += ["-label", label, path if path else "xc:#e0e0e0[200x120]"]
    result = run(command + [out], 120)
    if result.returncode != 0:
        raise Failure("montage failed: %s" % result.stderr.strip())


def contact_sheet(tools, pairs, out):
    if not pairs:
        return
    command = [tools["montage"], "-background", "white", "-font", "DejaVu-Sans", "-pointsize", "12",
               "-geometry", "+6+6", "-tile", "1x"]
    for path in pairs:
        command.append(path)
    result = run(command + [out], 300)
    if result.returncode != 0:
        raise Failure("montage failed: %s" % result.stderr.strip())


# --- The run ----------------------------------------------------------------------------------

def safe(text):
    return "".join(ch if ch.isalnum() or ch in "-_" else "_" for ch in text)[:40]


def cli_env():
    return dict(os.environ, QT_QPA_PLATFORM="offscreen")


def slides_in(deck):
    """How many slides a presentation has (its sldId entries)."""
    with zipfile.ZipFile(deck) as z:
        return len(re.findall(rb"<(?:\w+:)?sldId\b", z.read("ppt/presentation.xml")))


def paste_all(cli, workbook, presentation, timeout, into=None, keep_source=False):
    """Lists the workbook's charts and copies them onto slides with quillmere-cli. Returns
    {"charts": [{sheet, index, name, slide, error}], "presentation": path or None, "error": ...}.
    The copy stops at the first chart it cannot copy, so such a chart is dropped from the list
    given to the copy and the copy is run again."""
    listed = run([cli, "list", workbook, "--json", "--quiet"], timeout, env=cli_env())
    try:
        entries = json.loads(listed.stdout or "null")
    except ValueError:
        entries = None
    if not isinstance(entries, list):
        lines = listed.stderr.strip().splitlines()
        return {"charts": [], "presentation": None,
                "error": lines[-1] if lines else "quillmere-cli list failed (%d)" % listed.returncode}
    charts = [{"sheet": e["sheet"], "index": e["index"], "name": e.get("chart", ""),
               "slide": None, "error": None} for e in entries]
    remaining = list(charts)
    while remaining:
        command = [cli, "copy", workbook, "--quiet"]
        for chart in remaining:
            command += ["--chart", "%s:%d" % (chart["sheet"], chart["index"])]
        if into:
            command += ["--into", into]
        if keep_source:
            command.append("--keep-source-formatting")
        result = run(command + ["--output", presentation], timeout, env=cli_env())
        if result.returncode == 0:
            first = slides_in(into) if into else 0
            for slide, chart in enumerate(remaining, first + 1):
                chart["slide"] = slide
            return {"charts": charts, "presentation": presentation, "error": None}
        message = (result.stderr.strip().splitlines() or ["quillmere-cli copy failed (%d)" % result.returncode])[-1]
        failed = [c for c in remaining if " chart %s:%d: " % (c["sheet"], c["index"]) in message]
        if not failed:
            for chart in remaining:
                chart["error"] = message
            return {"charts": charts, "presentation": None, "error": message}
        failed[0]["error"] = message.split(" chart %s:%d: " % (failed[0]["sheet"], failed[0]["index"]), 1)[-1]
        remaining.remove(failed[0])
    return {"charts": charts, "presentation": None, "error": None}


def compare(args):
    deadline = time.monotonic() + args.timeout
    tools = magick_tools()
    os.makedirs(args.outdir, exist_ok=True)
    workbook = os.path.abspath(args.workbook)
    columns = ["workbook", "slide"] + [label for label, _ in args.renderer]
    charts = []
    with tempfile.TemporaryDirectory(prefix="quillmere-compare-") as work:
        presentation = os.path.join(args.outdir, "pasted.pptx")
        listing = paste_all(args.cli, workbook, presentation, args.timeout,
                            os.path.abspath(args.into) if args.into else None,
                            args.keep_source_formatting)
        for entry in listing.get("charts", []):
            charts.append({"sheet": entry["sheet"], "index": entry["index"],
                           "name": entry.get("name") or "", "slide": entry.get("slide"),
                           "drawings": {}, "errors": {}, "scores": {}})
            if entry.get("error"):
                charts[-1]["errors"]["slide"] = "paste: " + entry["error"]
        for n, chart in enumerate(charts, 1):
            chart["number"] = n
            chart["stem"] = "%02d-%s-%d" % (n, safe(chart["sheet"]), chart["index"])

        office = Office(work, deadline)
        try:
            draw_workbook(office, workbook, charts, args)
            if listing.get("presentation"):
                draw_slides(office, listing["presentation"], charts, args)
        finally:
            office.close()
        if office.timed_out:
            for chart in charts:
                for column in ("workbook", "slide"):
                    if column not in chart["drawings"]:
                        chart["errors"][column] = "LibreOffice overran the time limit (%g s)" % args.timeout

        for label, template in args.renderer:
            for chart in charts:
                draw_with_renderer(label, template, workbook, listing.get("presentation"), chart, args, work)

        pairs = []
        for chart in charts:
            reference = chart["drawings"].get("workbook")
            for column in columns[1:]:
                drawing = chart["drawings"].get(column)
                if reference and drawing:
                    try:
                        mad, diff = score(tools, reference, drawing, work)
                        chart["scores"][column] = {"mad": mad, "diff": diff}
                    except (Failure, subprocess.TimeoutExpired) as e:
                        chart["errors"][column] = "score: %s" % e
            cells = []
            for column in columns:
                text = column
                if column in chart["scores"]:
                    text += "  mad %.2f%%  diff %.2f%%" % (chart["scores"][column]["mad"],
                                                          chart["scores"][column]["diff"])
                if column in chart["errors"]:
                    text += "  FAILED: " + chart["errors"][column][:60]
                cells.append((text, chart["drawings"].get(column)))
            pair = os.path.join(args.outdir, chart["stem"] + "-pair.png")
            title = "%d. %s / %s" % (chart["number"], chart["sheet"], chart["name"] or "#%d" % chart["index"])
            try:
                labelled_row(tools, cells, title, pair)
                chart["pair"] = pair
                pairs.append(pair)
            except (Failure, subprocess.TimeoutExpired) as e:
                chart["errors"]["pair"] = str(e)
        try:
            contact_sheet(tools, pairs, os.path.join(args.outdir, "contact-sheet.png"))
        except (Failure, subprocess.TimeoutExpired) as e:
            sys.stderr.write("contact sheet: %s\n" % e)
    write_scores(args.outdir, workbook, columns, charts, listing.get("error"))
    if listing.get("error"):
        sys.stderr.write("%s: %s\n" % (workbook, listing["error"]))
    failed = [c for c in charts if c["errors"]] or listing.get("error")
    return 1 if failed else 0


def draw_workbook(office, workbook, charts, args):
    try:
        doc = office.load(workbook)
    except Exception as e:
        for chart in charts:
            chart["errors"]["workbook"] = "open: %s" % e
        return
    try:
        sheets = doc.getSheets()
        for chart in charts:
            out = os.path.join(args.outdir, chart["stem"] + "-workbook.png")
            try:
                if not sheets.hasByName(chart["sheet"]):
                    raise Failure("LibreOffice has no sheet %r" % chart["sheet"])
                shapes = chart_shapes(sheets.getByName(chart["sheet"]).getDrawPage())
                office.export_shape(find_chart(shapes, chart), out, args.dpi)
                chart["drawings"]["workbook"] = out
            except Exception as e:
                chart["errors"]["workbook"] = str(e)
                if office.timed_out:
                    return
    finally:
        close_doc(doc)


def draw_slides(office, presentation, charts, args):
    try:
        doc = office.load(presentation)
    except Exception as e:
        for chart in charts:
            chart["errors"].setdefault("slide", "open: %s" % e)
        return
    try:
        pages = doc.getDrawPages()
        for chart in charts:
            if not chart["slide"]:
                continue
            out = os.path.join(args.outdir, chart["stem"] + "-slide.png")
            try:
                if chart["slide"] > pages.getCount():
                    raise Failure("LibreOffice found %d slide(s)" % pages.getCount())
                shapes = chart_shapes(pages.getByIndex(chart["slide"] - 1))
                if len(shapes) != 1:
                    raise Failure("LibreOffice found %d chart(s) on slide %d" % (len(shapes), chart["slide"]))
                office.export_shape(shapes[0], out, args.dpi)
                chart["drawings"]["slide"] = out
            except Exception as e:
                chart["errors"]["slide"] = str(e)
                if office.timed_out:
                    return
    finally:
        close_doc(doc)


def close_doc(doc):
    try:
        doc.close(True)
    except Exception:
        pass  # the office went away; it is killed on close


def draw_with_renderer(label, template, workbook, presentation, chart, args, work):
    out = os.path.join(args.outdir, "%s-%s.png" % (chart["stem"], safe(label)))
    width, height = png_size(chart["drawings"]["workbook"]) if "workbook" in chart["drawings"] else (0, 0)
    with tempfile.TemporaryDirectory(dir=work) as folder:
        fields = {"workbook": workbook, "presentation": presentation or "", "slide": chart["slide"] or "",
                  "sheet": chart["sheet"], "index": chart["index"], "name": chart["name"],
                  "width": width, "height": height, "dpi": args.dpi, "scale": "%g" % (args.dpi / 96.0),
                  "cli": args.cli, "out": out, "outdir": folder}
        command = template.format(**{k: shlex.quote(str(v)) for k, v in fields.items()})
        try:
            code, errors = run_in_group(command, 120)
            if code != 0:
                raise Failure("exit %d: %s" % (code, errors.strip()[:200]))
            if not os.path.exists(out):
                made = [name for name in os.listdir(folder) if name.lower().endswith(".png")]
                if len(made) != 1:
                    raise Failure("wrote no picture" if not made else "wrote %d pictures" % len(made))
                shutil.move(os.path.join(folder, made[0]), out)
            png_size(out)
            chart["drawings"][label] = out
        except subprocess.TimeoutExpired:
            chart["errors"][label] = "timed out"
        except (Failure, OSError) as e:
            chart["errors"][label] = str(e)


def run_in_group(command, timeout):
    """Runs a shell command in a process group of its own; on timeout the whole group is killed,
    so nothing it started is left running. Returns (exit status, standard error)."""
    process = subprocess.Popen(command, shell=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True, start_new_session=True)
    try:
        _, errors = process.communicate(timeout=timeout)
        return process.returncode, errors
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        raise


def write_scores(outdir, workbook, columns, charts, error):
    rows = []
    with open(os.path.join(outdir, "scores.tsv"), "w") as f:
        header = ["n", "sheet", "chart", "index", "slide"]
        for column in columns[1:]:
            header += [column + " mad%", column + " diff%"]
        f.write("\t".join(header + ["errors"]) + "\n")
        for chart in charts:
            row = [str(chart["number"]), chart["sheet"], chart["name"], str(chart["index"]),
                   str(chart["slide"] or "")]
            for column in columns[1:]:
                s = chart["scores"].get(column)
                row += [("%.2f" % s["mad"]) if s else "", ("%.2f" % s["diff"]) if s else ""]
            errors = "; ".join("%s: %s" % kv for kv in sorted(chart["errors"].items()))
            f.write("\t".join(row + [errors.replace("\t", " ").replace("\n", " ")]) + "\n")
            rows.append({k: chart.get(k) for k in ("number", "sheet", "name", "index", "slide",
                                                   "drawings", "scores", "errors", "pair")})
    with open(os.path.join(outdir, "scores.json"), "w") as f:
        json.dump({"workbook": workbook, "error": error, "columns": columns,
                   "metrics": {"mad": "mean absolute difference, percent of full scale",
                               "diff": "pixels differing by more than 10%, percent"},
                   "charts": rows}, f, indent=1, ensure_ascii=False)


RENDERER_FIELDS = ("workbook", "presentation", "slide", "sheet", "index", "name", "width",
                   "height", "dpi", "scale", "cli", "out", "outdir")
QUILLMERE_RENDERER = ("{cli} render {workbook} --chart {sheet}:{index} --format png --scale {scale} "
                      "--output {outdir}")


def renderer_option(text):
    if text == "quillmere":
        return text, QUILLMERE_RENDERER
    label, sep, command = text.partition("=")
    if not sep or not label or not command or label in ("workbook", "slide"):
        raise argparse.ArgumentTypeError("expected LABEL=COMMAND, got %r" % text)
    try:
        command.format(**{field: "" for field in RENDERER_FIELDS})
    except (KeyError, IndexError, ValueError) as e:
        raise argparse.ArgumentTypeError("%s: unknown or malformed field %s (known: %s)"
                                         % (label, e, " ".join(RENDERER_FIELDS)))
    return label, command


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("workbook")
    parser.add_argument("outdir")
    parser.add_argument("--cli", default=default_cli())
    parser.add_argument("--renderer", type=renderer_option, action="append", default=[])
    parser.add_argument("--dpi", type=int, default=96)
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("--into", help="paste into a copy of this presentation (after its slides) "
                                       "instead of a new one")
    parser.add_argument("--keep-source-formatting", action="store_true",
                        help="paste in the workbook's look instead of the presentation's theme")
    args = parser.parse_args(argv[1:])
    if not args.cli:
        parser.error("quillmere-cli not found; build it or pass --cli")
    if not os.path.isfile(args.workbook):
        parser.error("%s: no such file" % args.workbook)
    try:
        status = compare(args)
    except Failure as e:
        sys.stderr.write("%s: %s\n" % (args.workbook, e))
        return 2
    except ImportError as e:
        sys.stderr.write("python3-uno is needed (%s)\n" % e)
        return 2
    with open(os.path.join(args.outdir, "scores.tsv")) as f:
        sys.stdout.write(f.read())
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
