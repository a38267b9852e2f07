#!/usr/bin/python3
# The Python way of counting an error matrix from two uint8 rasters, for the
# side-by-side whole-process measurements of brennic-kappa --map: block reads
# through GDAL's Python bindings (as rasterio would do them) and numpy.bincount.
# Usage: bench/count_maps_numpy.py MAP REF   (prints the nonzero cells)
import sys

import numpy as np
from osgeo import gdal

gdal.UseExceptions()
map_data, ref_data = gdal.Open(sys.argv[1]), gdal.Open(sys.argv[2])
map_band, ref_band = map_data.GetRasterBand(1), ref_data.GetRasterBand(1)
map_nodata, ref_nodata = map_band.GetNoDataValue(), ref_band.GetNoDataValue()
block_x, block_y = map_band.GetBlockSize()
width, height = map_band.XSize, map_band.YSize
counts = np.zeros(256 * 256, dtype=np.int64)
for y in range(0, height, block_y):
    rows = min(block_y, height - y)
    for x in range(0, width, block_x):
        cols = min(block_x, width - x)
        m = map_band.ReadAsArray(x, y, cols, rows).ravel()
        r = ref_band.ReadAsArray(x, y, cols, rows).ravel()
        valid = np.ones(m.shape, dtype=bool)
        if map_nodata is not None:
            valid &= m != map_nodata
        if ref_nodata is not None:
            valid &= r != ref_nodata
        key = m[valid].astype(np.int64) * 256 + r[valid]
        counts += np.bincount(key, minlength=256 * 256)
for key in np.nonzero(counts)[0]:
    print(key // 256, key % 256, counts[key])
