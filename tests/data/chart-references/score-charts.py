#!/usr/bin/python3
"""Scores Quillmere's drawing of each reference chart (and, with --libreoffice, LibreOffice's)
against the spreadsheet application's own picture of it, and holds the scores to floors.

    score-charts.py --cli QUILLMERE_CLI [--workbooks DIR] [--libreoffice] [--keep DIR]
                    [--floors FILE] [--tsv OUT]

The workbooks are those of workbooks/ when --workbooks names it, else made by make-workbooks.py
into a temporary folder. Every chart is drawn at its own size at 96 dpi; both pictures are cut
to their chart frame and compared at that size (see chartscore.py). The table lists per chart
mad (mean absolute difference, %) and ssim, ours and LibreOffice's: measured with --libreoffice,
else as stored in libreoffice-scores.tsv (measured by this script with --libreoffice).

--floors FILE holds lines "median SSIM" and "CHART SSIM" (# starts a comment): the run fails
(exit status 1) when the median SSIM of our drawings, or a named chart's SSIM, is below its floor.
Exit status 2: wrong arguments or a chart that could not be drawn; 77: skipped, a tool missing.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
sys.path.insert(0, HERE)
import chartscore  # noqa: E402

STORED_LIBREOFFICE = os.path.join(HERE, "libreoffice-scores.tsv")


def load_make_workbooks():
    import importlib.util
    spec = importlib.util.spec_from_file_location("make_workbooks", os.path.join(HERE, "make-workbooks.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def draw_ours(cli, workbook, index, outdir):
    folder = tempfile.mkdtemp(dir=outdir)
    run = subprocess.run([cli, "render", workbook, "--chart", "Sheet1:%d" % index, "--format", "png",
                          "--locale", "en_US", "--quiet", "--output", folder],
                         capture_output=True, text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    pngs = [f for f in os.listdir(folder) if f.endswith(".png")]
    if run.returncode != 0 or len(pngs) != 1:
        raise RuntimeError("%s chart %d: quillmere-cli render failed: %s" % (workbook, index, run.stderr.strip()))
    return os.path.join(folder, pngs[0])


def draw_libreoffice(cli, workbook, outdir):
    """LibreOffice's drawing of every chart of the workbook: {index: png} (compare-charts.py)."""
    folder = os.path.join(outdir, "lo-" + os.path.splitext(os.path.basename(workbook))[0])
    subprocess.run([sys.executable, os.path.join(ROOT, "tools", "compare-charts.py"), workbook, folder,
                    "--cli", cli], capture_output=True, text=True)
    found = {}
    for name in os.listdir(folder) if os.path.isdir(folder) else []:
        if name.endswith("-workbook.png"):
            found[int(name.split("-")[-2])] = os.path.join(folder, name)
    return found


def read_table(path):
    """{key: [values]} from a whitespace-separated file, # comments and blank lines skipped."""
    table = {}
    if path and os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                fields = line.split("#")[0].split()
                if fields:
                    table[fields[0]] = [float(v) for v in fields[1:]]
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--workbooks")
    parser.add_argument("--libreoffice", action="store_true")
    parser.add_argument("--keep")
    parser.add_argument("--floors")
    parser.add_argument("--tsv")
    args = parser.parse_args()
    if not all(shutil.which(tool) for tool in ("convert", "identify")):
        print("skipped: ImageMagick (convert, identify) is needed", file=sys.stderr)
        return 77
    make_workbooks = load_make_workbooks()
    work = tempfile.mkdtemp(prefix="chart-scores-")
    try:
        outdir = os.path.abspath(args.keep) if args.keep else work
        os.makedirs(outdir, exist_ok=True)
        books = os.path.abspath(args.workbooks) if args.workbooks else os.path.join(work, "workbooks")
        if not args.workbooks:
            try:
                import xlsxwriter  # noqa: F401
            except ImportError:
                print("skipped: python3-xlsxwriter is needed to make the workbooks", file=sys.stderr)
                return 77
            make_workbooks.make(books)
        lo_drawings = {}
        if args.libreoffice:
            for example in sorted({e for e, _ in make_workbooks.REFERENCES.values()}):
                lo_drawings[example] = draw_libreoffice(args.cli, os.path.join(books, example + ".xlsx"), outdir)
        stored_lo = read_table(STORED_LIBREOFFICE)
        rows = []
        for name, (example, index) in sorted(make_workbooks.REFERENCES.items()):
            reference = make_workbooks.reference_image(name)
            size = make_workbooks.size_in_pixels(name)
            ours = draw_ours(args.cli, os.path.join(books, example + ".xlsx"), index, outdir)
            if args.keep:
                shutil.copy(ours, os.path.join(outdir, name + "-ours.png"))
            mad, ssim = chartscore.score(reference, ours, size)
            lo = stored_lo.get(name)
            if args.libreoffice:
                drawing = lo_drawings.get(example, {}).get(index)
                lo = list(chartscore.score(reference, drawing, size)) if drawing else None
            rows.append((name, mad, ssim, lo))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    lines = ["chart\tours mad%\tours ssim\tLibreOffice mad%\tLibreOffice ssim"]
    for name, mad, ssim, lo in rows:
        lo_text = "%.2f\t%.3f" % tuple(lo) if lo else "-\t-"
        lines.append("%s\t%.2f\t%.3f\t%s" % (name, mad, ssim, lo_text))
    median_ssim = statistics.median(r[2] for r in rows)
    lo_known = [r[3][1] for r in rows if r[3]]
    lines.append("median\t%.2f\t%.3f\t%s" % (statistics.median(r[1] for r in rows), median_ssim,
                                            "%.2f\t%.3f" % (statistics.median(r[3][0] for r in rows if r[3]),
                                                            statistics.median(lo_known)) if lo_known else "-\t-"))
    below_lo = [r[0] for r in rows if r[3] and r[2] < r[3][1]]
    lines.append("charts below LibreOffice's ssim: %d (%s)" % (len(below_lo), " ".join(below_lo)))
    print("\n".join(lines))
    if args.tsv:
        with open(args.tsv, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")

    failures = []
    for key, values in read_table(args.floors).items():
        floor = values[0]
        if key == "median":
            if median_ssim < floor:
                failures.append("median ssim %.3f below its floor %.3f" % (median_ssim, floor))
            continue
        got = next((r[2] for r in rows if r[0] == key), None)
        if got is None:
            failures.append("floor for unknown chart %s" % key)
        elif got < floor:
            failures.append("%s: ssim %.3f below its floor %.3f" % (key, got, floor))
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, subprocess.CalledProcessError) as e:
        print("error: %s" % e, file=sys.stderr)
        sys.exit(2)
