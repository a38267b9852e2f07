#!/usr/bin/env python3
"""The HTML report opened in a real browser: headless Chromium.

Writes a report of every kind with brennic-kappa, then for each page: opens a
copy with a probe script added (the page itself has none) and reads back from
the rendered page what a reader would meet: script errors, sideways overflow at
1280 px, every chart's title and description, the heatmap's n x n cells with
their counts, the colours of known cells against viridis as published, and the
contrast of each cell's text; takes screenshots at 1280 and 390 px; prints it
to PDF on A4 portrait. Where chromium is not on PATH it says so in one line and
exits 77, which CTest counts as skipped.

    browser_test.py BRENNIC_KAPPA TEST_DATA_DIR [maps]
"""
import concurrent.futures
import html
import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77

# matplotlib's viridis(0), (1/4), (1/2), (3/4) and (1) as published
# (#440154, #3b528b, #21918c, #5ec962, #fde725), as the browser gives them.
V0, V25, V50, V75, V100 = ("rgb(68, 1, 84)", "rgb(59, 82, 139)", "rgb(33, 145, 140)",
                           "rgb(94, 201, 98)", "rgb(253, 231, 37)")

# Records errors from the start, and once the page is laid out writes what it
# measured into the page, for --dump-dom to carry out.
PROBE_HEAD = """<script>window.__errors = [];
addEventListener('error', e => window.__errors.push(String(e.message)));</script>"""
PROBE_END = """<script>
addEventListener('load', () => {
  const d = document, want = __WANT__;
  const r = {errors: window.__errors,
             overflow: d.documentElement.scrollWidth - window.innerWidth,
             charts: 0, untitled: [], cells: -1, wanted: [], pairs: [], marks: {}};
  for (const svg of d.querySelectorAll('svg')) {
    r.charts++;
    const t = svg.querySelector(':scope > title'), s = svg.querySelector(':scope > desc');
    if (!t || !s || !t.textContent.trim() || !s.textContent.trim())
      r.untitled.push(svg.parentElement.id);
  }
  // Each chart's marks of map A and map B, its key's among them.
  for (const f of d.querySelectorAll('figure[id$="-a-b"]'))
    r.marks[f.id] = [f.querySelectorAll('g.s0').length, f.querySelectorAll('g.s1').length];
  const map = d.querySelector('#matrix svg');
  if (map) {
    let cells = map.querySelectorAll('g.u rect');
    if (!cells.length) cells = map.querySelectorAll(':scope > g > rect');
    r.cells = cells.length;
    for (const [i, j] of want) {
      const c = cells[i * Math.round(Math.sqrt(cells.length)) + j];
      r.wanted.push([c.querySelector('title').textContent, getComputedStyle(c).fill]);
    }
    for (const c of cells) {
      const text = c.nextElementSibling;
      if (text && text.tagName === 'text')
        r.pairs.push([getComputedStyle(c).fill, getComputedStyle(text).fill]);
    }
  }
  const out = d.createElement('pre');
  out.id = 'probe';
  out.textContent = JSON.stringify(r);
  d.body.appendChild(out);
});
</script>"""


def luminance(rgb):
    """WCAG 2.1 relative luminance of "rgb(r, g, b)"."""
    channels = [int(v) / 255 for v in rgb[4:-1].split(",")]
    lin = [c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4 for c in channels]
    return 0.2126 * lin[0] + 0.7152 * lin[1] + 0.0722 * lin[2]


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


class Browser:
    """Chromium with a profile of its own, so that pages can open side by side."""

    def __init__(self, profile):
        self.profile = profile

    def run(self, *args, timeout=240):
        command = ["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                   "--hide-scrollbars", "--no-first-run", "--disable-extensions",
                   "--disable-background-networking", "--disable-component-update",
                   f"--user-data-dir={self.profile}", *args]
        return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=timeout, check=False)


def pages(kappa, data, work, maps):
    """Each sample: its name, arguments, standard input, n and the cells to check
    as (row, column, title's start, colour or None)."""
    worked = "20 5 0\n3 15 2\n2 5 48\n"
    # Every row holds 4: its shares are 0, 1/4, 1/2, 3/4 and 1.
    quarters = "0 1 1 2\n1 3 0 0\n0 0 4 0\n1 1 0 2\n"
    olofsson = "66 0 5 4\n0 55 8 12\n1 0 153 11\n2 1 9 313\n"
    n = 254
    big = []
    for i in range(n):
        row = [0] * n
        row[i] = 100 + i
        row[(i + 1) % n] = i % 7
        big.append(" ".join(map(str, row)))
    big = "\n".join(big) + "\n"
    pairs = "a,a\na,b\nb,b\nb,b\nc,c\nc,a\nNA,c\n"
    yield ("worked", ["--report", "--format", "html", "--report-date", "2024-05-31"], worked, 3,
           [(0, 0, "map 1, reference 1: 20;", None), (0, 2, "map 1, reference 3: 0;", V0)])
    yield ("quarters", ["--report", "--format", "html"], quarters, 4,
           [(0, 0, "map 1, reference 1: 0;", V0), (0, 1, "map 1, reference 2: 1;", V25),
            (0, 3, "map 1, reference 4: 2;", V50), (1, 1, "map 2, reference 2: 3;", V75),
            (2, 2, "map 3, reference 3: 4;", V100)])
    yield ("olofsson", ["--report", "--format", "html", "--mapped-area",
                        "18000,13500,288000,580500"], olofsson, 4,
           [(3, 3, "map 4, reference 4: 313;", None)])
    yield ("pairs", ["--pairs", "--missing", "NA", "--classes", "a,b,c", "--weights", "linear", "--report",
                     "--format", "html"], pairs, 3, [(2, 0, "map c, reference a: 1;", None)])
    yield ("samples", ["--samples", "--header", "--report", "--strata-sizes",
                       "A=40000,B=30000,C=20000,D=10000", "--classes", "A,B,C,D", "--format",
                       "html", os.path.join(data, "stehman-2014-sample.csv")], "", 4,
           [(1, 0, "map B, reference A: 4;", None)])
    yield ("ratings", ["--ratings", "--header", "--format", "html",
                       os.path.join(data, "gwet-2014-4-raters.csv")], "", None, [])
    # Two maps on ten units (the README's): classes x and y, each mark of both
    # maps defined. The same units in two strata, for the stratified page.
    compared = "x,x,x\nx,x,x\nx,y,x\nx,y,x\ny,x,x\ny,y,y\ny,y,y\nx,y,y\ny,x,y\nx,x,y\n"
    yield ("compare-pairs", ["--pairs", "--compare", "--format", "html"], compared, None, [])
    yield ("compare-samples", ["--samples", "--compare", "--strata-sizes", "s=100,t=50",
                               "--format", "html"],
           "".join(("s," if i < 6 else "t,") + line + "\n"
                   for i, line in enumerate(compared.splitlines())), None, [])
    yield ("design", ["--design", "--strata-sizes", "A=1000,B=3000", "--expected-accuracy",
                      "0.8", "--sample-size", "100", "--format", "html"], "", None, [])
    if maps:
        grid = "ncols 4\nnrows 3\nxllcorner 0\nyllcorner 0\ncellsize 10\nNODATA_value -9\n"
        for name, cells in (("map", "1 1 2 2\n1 3 2 2\n3 3 3 -9\n"),
                            ("ref", "1 2 2 2\n1 3 3 2\n3 1 3 3\n")):
            with open(os.path.join(work, name + ".asc"), "w", encoding="ascii") as f:
                f.write(grid + cells)
        source = ["--map", os.path.join(work, "map.asc"), "--reference",
                  os.path.join(work, "ref.asc")]
        # Counted by hand: map 1 is reference 1 twice and 2 once.
        yield ("maps", source + ["--report", "--format", "html"], "", 3,
               [(0, 0, "map 1, reference 1: 2;", None)])
        for window in ("0,0,2,3", "2,0,2,3"):
            report = subprocess.run([kappa, *source, "--window", window, "--report", "--format",
                                     "json"], stdout=subprocess.PIPE, check=True).stdout
            with open(os.path.join(work, window + ".json"), "wb") as f:
                f.write(report)
        yield ("sum", ["--sum", "--report", "--format", "html",
                       os.path.join(work, "0,0,2,3.json"), os.path.join(work, "2,0,2,3.json")],
               "", 3, [(0, 0, "map 1, reference 1: 2;", None)])
    yield ("classes-254", ["--report", "--format", "html"], big, n,
           [(0, 0, "100", V100), (0, 2, "0", V0), (3, 4, "3", None), (253, 0, "1", None)])


def check_page(kappa, work, name, args, stdin, n, want):
    """What is wrong with the page of `args`, in lines."""
    run = subprocess.run([kappa, *args], input=stdin.encode(), stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, check=False)
    if run.returncode != 0:
        return [f"{name}: brennic-kappa failed: {run.stderr.decode()}"]
    page = run.stdout.decode("utf-8")
    with open(os.path.join(work, name + ".html"), "w", encoding="utf-8") as f:
        f.write(page)
    browser = Browser(os.path.join(work, "profile-" + name))
    large = n is not None and n > 40
    failures = []
    probe = os.path.join(work, name + ".probe.html")
    text = page.replace("<head>\n", "<head>\n" + PROBE_HEAD, 1).replace(
        "</body>", PROBE_END.replace("__WANT__", json.dumps([[i, j] for i, j, _, _ in want]))
        + "</body>", 1)
    with open(probe, "w", encoding="utf-8") as f:
        f.write(text)
    dom = browser.run("--window-size=1280,900", "--virtual-time-budget=20000", "--dump-dom",
                      "file://" + probe).stdout.decode("utf-8")
    start = dom.find('<pre id="probe">')
    if start < 0:
        return [f"{name}: the probe wrote nothing"]
    r = json.loads(html.unescape(dom[start + 16:dom.find("</pre>", start)]))
    if r["errors"]:
        failures.append(f"{name}: script errors {r['errors']}")
    if r["overflow"] > 0:
        failures.append(f"{name}: the page is {r['overflow']} px wider than 1280")
    if r["untitled"]:
        failures.append(f"{name}: charts without title or description: {r['untitled']}")
    if name.startswith("compare"):
        # A key and a mark for the overall accuracy and each of the two classes.
        for chart in ("users-accuracy-a-b", "producers-accuracy-a-b"):
            if r["marks"].get(chart) != [4, 4]:
                failures.append(f"{name}: {chart} marks A and B {r['marks'].get(chart)} times, "
                                "not 4 and 4")
    if n is not None:
        if r["charts"] < 3:
            failures.append(f"{name}: {r['charts']} charts")
        if r["cells"] != n * n:
            failures.append(f"{name}: the heatmap has {r['cells']} cells, not {n * n}")
        for (i, j, title, colour), (seen, fill) in zip(want, r["wanted"]):
            if not seen.startswith(title) or (n > 40 and seen != title):
                failures.append(f"{name}: cell {i},{j} says {seen!r}, not {title!r}")
            if colour is not None and fill != colour:
                failures.append(f"{name}: cell {i},{j} is {fill}, not {colour}")
        for shade, ink in r["pairs"]:
            if contrast(shade, ink) < 4.5:
                failures.append(f"{name}: text {ink} on {shade}: {contrast(shade, ink):.2f}:1")
    for width in (1280, 390):
        shot = os.path.join(work, f"{name}-{width}.png")
        browser.run(f"--window-size={width},1600", f"--screenshot={shot}", "file://" + probe)
        with open(shot, "rb") as f:
            if f.read(8) != b"\x89PNG\r\n\x1a\n":
                failures.append(f"{name}: no screenshot at {width} px")
    pdf = os.path.join(work, name + ".pdf")
    # Chromium's tagged PDF of a page of 64,516 cells does not finish in minutes.
    browser.run("--no-pdf-header-footer", f"--print-to-pdf={pdf}",
                *(["--disable-pdf-tagging"] if large else []), "file://" + os.path.join(
                    work, name + ".html"), timeout=400)
    with open(pdf, "rb") as f:
        printed = f.read()
    # A4 portrait: 595.28 by 841.89 points.
    if not printed.startswith(b"%PDF") or b"/MediaBox [0 0 59" not in printed:
        failures.append(f"{name}: no PDF on A4 portrait")
    return failures


def main():
    if shutil.which("chromium") is None:
        print("browser tests: skipped: chromium is not on PATH (scripts/setup-debian installs it)")
        return SKIPPED
    kappa, data = sys.argv[1], sys.argv[2]
    maps = len(sys.argv) > 3 and sys.argv[3] == "maps"
    work = tempfile.mkdtemp(prefix="brennic-browser-")
    failures = []
    try:
        samples = list(pages(kappa, data, work, maps))
        # The browser mostly waits: three pages at once take a third of the time.
        with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
            for found in pool.map(lambda s: check_page(kappa, work, *s), samples):
                failures += found
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
