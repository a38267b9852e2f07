// Writes the pair of rasters the whole-process measurements of --map use: W x H
// uint8 GeoTIFFs tiled 256 x 256, ten classes in patches, no-data 0 on both.
// Usage: brennic-make-bench-maps FOLDER [SIZE] [DEFLATE]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

int main(int argc, char** argv) {
    if (argc < 2)
        return std::fprintf(stderr, "usage: brennic-make-bench-maps FOLDER [SIZE] [DEFLATE]\n"), 1;
    const std::string folder = argv[1];
    const int size = argc > 2 ? std::atoi(argv[2]) : 10000;
    const bool deflate = argc > 3;
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    const char* options[] = {"TILED=YES",        "BLOCKXSIZE=256",
                             "BLOCKYSIZE=256",   deflate ? "COMPRESS=DEFLATE" : "COMPRESS=NONE",
                             "BIGTIFF=IF_SAFER", nullptr};
    OGRSpatialReference crs;
    crs.importFromEPSG(32632);
    double transform[6] = {500000, 10, 0, 4000000, 0, -10};
    for (const char* which : {"map", "reference"}) {
        const std::string path = folder + "/" + which + (deflate ? "-deflate" : "") + ".tif";
        GDALDatasetUniquePtr data(
            driver->Create(path.c_str(), size, size, 1, GDT_Byte, const_cast<char**>(options)));
        if (!data)
            return std::fprintf(stderr, "cannot make %s\n", path.c_str()), 3;
        data->SetGeoTransform(transform);
        data->SetSpatialRef(&crs);
        GDALRasterBand* band = data->GetRasterBand(1);
        band->SetNoDataValue(0);
        const bool reference = which[0] == 'r';
        std::vector<unsigned char> row(static_cast<std::size_t>(size) * 256);
        for (int y0 = 0; y0 < size; y0 += 256) {
            const int rows = std::min(256, size - y0);
            for (int r = 0; r < rows; ++r) {
                const int y = y0 + r;
                for (int x = 0; x < size; ++x) {
                    int v = 1 + (x / 97 + (y / 131) * 3) % 10;
                    const unsigned hash =
                        static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
                    if (reference && (hash >> 7) % 10 == 0)
                        v = v % 10 + 1;
                    if (reference ? x < size / 20 : y < size / 20)
                        v = 0;
                    row[static_cast<std::size_t>(r) * size + x] = static_cast<unsigned char>(v);
                }
            }
            if (band->RasterIO(GF_Write, 0, y0, size, rows, row.data(), size, rows, GDT_Byte, 0, 0,
                               nullptr) != CE_None)
                return std::fprintf(stderr, "cannot write %s\n", path.c_str()), 3;
        }
    }
    return 0;
}
