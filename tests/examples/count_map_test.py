#!/usr/bin/env python3
"""examples/dask/count_map.py on a LocalCluster of two workers: the example
maps cut into 16 windows of 5 x 4 pixels, each counted by brennic-kappa on a
worker, and the reports added by --sum, give byte for byte the report of one
count of the whole map: with the reference raster (text), and with the
reference points stratified by the map itself (json, each window cutting the
strata). A window that fails stops the count with its message and status.
Where Dask's distributed or GDAL's tools are missing it says so in one line and
exits 77, which CTest counts as skipped.

    count_map_test.py BRENNIC_KAPPA SOURCE_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77


def main():
    brennic, source = sys.argv[1], sys.argv[2]
    try:
        import distributed  # noqa: F401
    except ImportError:
        print(f"skipped: {sys.executable} has no Dask distributed (python3-distributed)")
        return SKIPPED
    for tool in ("gdal_translate", "ogr2ogr", "gdalinfo"):
        if shutil.which(tool) is None:
            print(f"skipped: GDAL's {tool} is not on PATH (gdal-bin)")
            return SKIPPED
    recipe = os.path.join(source, "examples", "dask", "count_map.py")
    failures = []
    with tempfile.TemporaryDirectory(prefix="count_map_test-") as folder:
        subprocess.run([os.path.join(source, "scripts", "make-example-maps"), folder],
                       check=True, stdout=subprocess.DEVNULL)
        map_path = os.path.join(folder, "map.tif")
        cases = [
            ("raster reference, text", os.path.join(folder, "reference.tif"), []),
            ("points stratified by the map, json", os.path.join(folder, "points.gpkg"),
             ["--reference-field", "class", "--strata", map_path, "--format", "json"]),
        ]
        for name, reference, options in cases:
            dask = subprocess.run([sys.executable, recipe, map_path, reference, "--tile", "5x4",
                                   "--window-pixels", "20", "--brennic", brennic] + options,
                                  capture_output=True)
            one = subprocess.run([brennic, "--map", map_path, "--reference", reference,
                                  "--report"] + options, capture_output=True)
            if dask.returncode != 0 or one.returncode != 0:
                failures.append(f"{name}: exit {dask.returncode} and {one.returncode}: "
                                f"{dask.stderr.decode()[-400:]} {one.stderr.decode()}")
            elif dask.stdout != one.stdout:
                failures.append(f"{name}: the sum differs from one count:\n"
                                f"{dask.stdout.decode()}\n---\n{one.stdout.decode()}")
            if b"16 of 16 windows counted" not in dask.stderr:
                failures.append(f"{name}: no progress over 16 windows: {dask.stderr.decode()}")
        # Every window refuses the no-data value: the first to fail is named.
        bad = subprocess.run([sys.executable, recipe, map_path,
                              os.path.join(folder, "reference.tif"), "--tile", "5x4",
                              "--window-pixels", "20", "--brennic", brennic, "--nodata", "x"],
                             capture_output=True)
        message = bad.stderr.decode()
        if bad.returncode != 1 or bad.stdout or not re.search(
                r"^count_map\.py: window \d+,\d+,\d+,\d+: brennic-kappa: --nodata", message,
                re.MULTILINE):
            failures.append(f"a failing window: exit {bad.returncode}, {message!r}")
    for failure in failures:
        print("FAILED", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
