#!/usr/bin/python3
# The numpy way of drawing a stratified random sample from a uint8 raster, for
# the side-by-side whole-process measurements of brennic-kappa --design --draw:
# the band read whole through GDAL's Python bindings, the pixels of each class
# found with flatnonzero and N of them chosen without replacement.
# Usage: bench/draw_sample_numpy.py MAP N OUT.csv   (N pixels of each class)
import sys

import numpy as np
from osgeo import gdal

gdal.UseExceptions()
data = gdal.Open(sys.argv[1])
band = data.GetRasterBand(1)
nodata = band.GetNoDataValue()
x0, dx, rx, y0, ry, dy = data.GetGeoTransform()
values = band.ReadAsArray().ravel()
width = data.RasterXSize
per_class = int(sys.argv[2])
rng = np.random.default_rng(1)
with open(sys.argv[3], "w") as out:
    out.write("stratum,x,y,row,col\n")
    for value in np.unique(values):
        if nodata is not None and value == nodata:
            continue
        where = np.flatnonzero(values == value)
        chosen = rng.choice(where, size=min(per_class, where.size), replace=False)
        for i in chosen:
            row, col = divmod(int(i), width)
            x = x0 + (col + 0.5) * dx + (row + 0.5) * rx
            y = y0 + (col + 0.5) * ry + (row + 0.5) * dy
            out.write(f"{value},{x},{y},{row},{col}\n")
