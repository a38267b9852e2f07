#!/usr/bin/python3
"""Counts a map against its reference on a Dask cluster: one brennic-kappa per
window, the windows' JSON reports added by brennic-kappa --sum.

    count_map.py MAP REF [--scheduler ADDRESS] [--workers N]
                 [--window-pixels N] [--tile WxH] [--brennic PATH]
                 [--format text|csv|json|html] [-o FILE] [BRENNIC-KAPPA OPTIONS...]

The windows follow the map's blocks: each holds whole blocks (or whole tiles of
--tile), a run of whole block rows where a block row holds fewer than
--window-pixels pixels (10^8 by default), else a run of blocks along one block
row. Each window is counted by `brennic-kappa --map MAP --reference REF --window
... --report --format json` on a worker; the reports come back to this process,
which adds them with `brennic-kappa --sum`. The sum of the windows of the whole
map is, byte for byte, the report of one count of it.

Without --scheduler a LocalCluster of --workers workers (2 by default) runs on
this machine; with it, the cluster at that address, whose workers must reach
MAP, REF and the brennic-kappa they are given (a shared folder, or GDAL's
/vsis3/ and /vsicurl/ paths). The other options go to each window's count (the
map's options: --reference-field, --strata, --nodata, --classes, --threads, ...);
those of the report (--confidence, --digits, --fpc, --area-unit, --weights,
--decimal-separator, --report-date, --mapped-area) go to the sum as well, and
--format and -o to the sum alone.

Progress goes to standard error as the windows finish. The first window that
fails stops the count: its message is printed and its exit status returned.
Needs Debian's python3-distributed; GDAL's gdalinfo plans the windows.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

PROGRAM = "count_map.py"
# Options of the report, not of the count: the sum needs them to write the
# same report as one count of the whole would.
REPORT_OPTIONS = {"--confidence", "--digits", "--fpc", "--area-unit", "--weights",
                  "--decimal-separator", "--report-date", "--mapped-area"}
# Options that take no value.
FLAGS = {"--fpc", "--quiet", "--report", "--transpose", "--overwrite", "--header", "--long"}
# Options this recipe gives each window itself.
CHOSEN = {"--map", "--reference", "--window", "--sum", "--format"}


def count_window(brennic, map_path, reference, options, window):
    """One window's count on a worker: its exit status, its JSON report and its
    message (plain values, which come back from any worker as they are)."""
    xoff, yoff, xsize, ysize = window
    args = [brennic, "--map", map_path, "--reference", reference,
            "--window", f"{xoff},{yoff},{xsize},{ysize}",
            "--report", "--format", "json", "--quiet"] + options
    run = subprocess.run(args, capture_output=True, text=True)
    return run.returncode, run.stdout, run.stderr.strip()


def plan_windows(width, height, block_width, block_height, pixels):
    """The windows of whole blocks that cover the map, row by row."""
    windows = []
    row_pixels = width * block_height
    if row_pixels <= pixels:
        rows = max(1, pixels // row_pixels) * block_height
        for y in range(0, height, rows):
            windows.append((0, y, width, min(rows, height - y)))
        return windows
    columns = max(1, pixels // (block_width * block_height)) * block_width
    for y in range(0, height, block_height):
        for x in range(0, width, columns):
            windows.append((x, y, min(columns, width - x), min(block_height, height - y)))
    return windows


def map_grid(map_path):
    """The map's size and its first band's block size, from gdalinfo."""
    run = subprocess.run(["gdalinfo", "-json", map_path], capture_output=True, text=True)
    if run.returncode != 0:
        raise SystemExit(f"{PROGRAM}: gdalinfo cannot read {map_path}: {run.stderr.strip()}")
    info = json.loads(run.stdout)
    width, height = info["size"]
    block_width, block_height = info["bands"][0]["block"]
    return width, height, block_width, block_height


def split_options(options):
    """The options of each window's count, and those the sum takes too."""
    counted, summed = [], []
    i = 0
    while i < len(options):
        name = options[i]
        if name in CHOSEN:
            raise SystemExit(f"{PROGRAM}: {name} is chosen here for each window; give MAP and REF "
                             "first, then the other options of brennic-kappa")
        takes_value = name not in FLAGS and i + 1 < len(options)
        group = options[i:i + 2] if takes_value else options[i:i + 1]
        if name in ("--report", "--quiet"):
            pass  # each window's count is a quiet report already
        elif name == "--mapped-area":
            summed += group
        else:
            counted += group
            if name in REPORT_OPTIONS:
                summed += group
        i += len(group)
    return counted, summed


def parse_tile(text):
    try:
        width, height = (int(v) for v in text.lower().split("x"))
    except ValueError:
        raise argparse.ArgumentTypeError(f"--tile needs WIDTHxHEIGHT, not {text}")
    if width < 1 or height < 1:
        raise argparse.ArgumentTypeError(f"--tile needs sizes of at least 1, not {text}")
    return width, height


def main():
    parser = argparse.ArgumentParser(prog=PROGRAM, allow_abbrev=False,
                                     description=__doc__.split("\n\n")[0])
    parser.add_argument("map")
    parser.add_argument("reference")
    parser.add_argument("--scheduler", help="a Dask scheduler's address; none: a LocalCluster")
    parser.add_argument("--workers", type=int, default=2,
                        help="the LocalCluster's workers (default 2)")
    parser.add_argument("--window-pixels", type=int, default=10**8,
                        help="about how many pixels a window holds (default 10^8)")
    parser.add_argument("--tile", type=parse_tile,
                        help="WIDTHxHEIGHT: plan the windows in these tiles, not the map's blocks")
    parser.add_argument("--brennic", default="brennic-kappa",
                        help="brennic-kappa as the workers find it (default: on PATH)")
    parser.add_argument("--format", default="text")
    parser.add_argument("-o", dest="output")
    known, options = parser.parse_known_args()
    if known.window_pixels < 1 or known.workers < 1:
        parser.error("--window-pixels and --workers need at least 1")

    try:
        from distributed import Client, LocalCluster, as_completed
    except ImportError:
        raise SystemExit(f"{PROGRAM}: needs Dask's distributed (Debian: python3-distributed)")

    width, height, block_width, block_height = map_grid(known.map)
    if known.tile:
        block_width, block_height = known.tile
    windows = plan_windows(width, height, block_width, block_height, known.window_pixels)
    counted, summed = split_options(options)

    cluster = None
    if known.scheduler:
        client = Client(known.scheduler)
    else:
        cluster = LocalCluster(n_workers=known.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        client = Client(cluster)
    status = 0
    try:
        with tempfile.TemporaryDirectory(prefix="count_map-") as folder:
            futures = {client.submit(count_window, known.brennic, known.map, known.reference,
                                     counted, window, pure=False): number
                       for number, window in enumerate(windows)}
            paths = [os.path.join(folder, f"window-{n:06d}.json") for n in range(len(windows))]
            done = 0
            for future in as_completed(futures):
                failed, report, message = future.result()
                if failed != 0:
                    for other in futures:
                        other.cancel()
                    x, y, w, h = windows[futures[future]]
                    print(f"{PROGRAM}: window {x},{y},{w},{h}: {message}", file=sys.stderr)
                    return failed
                with open(paths[futures[future]], "w", encoding="utf-8") as out:
                    out.write(report)
                done += 1
                print(f"{PROGRAM}: {done} of {len(windows)} windows counted", file=sys.stderr,
                      flush=True)
            args = [known.brennic, "--sum", "--report", "--format", known.format] + summed
            if known.output:
                args += ["-o", known.output]
            status = subprocess.run(args + paths).returncode
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    return status


if __name__ == "__main__":
    sys.exit(main())
