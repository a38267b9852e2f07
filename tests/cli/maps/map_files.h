// Small rasters and point layers made with GDAL's own API in a test's folder, for
// the map counting tests and the companion program's tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace brennic::test {

struct RasterLayout {
    int width = 0, height = 0;
    GDALDataType type = GDT_Byte;
    std::vector<double> values; // row by row
    std::optional<double> nodata;
    std::vector<double> transform{500000, 10, 0, 4000000, 0, -10};
    int epsg = 32632;                         // 0: no coordinate system
    std::string crsText;                      // instead of epsg: any definition GDAL reads
    std::vector<std::string> creationOptions; // "TILED=YES", "COMPRESS=DEFLATE", ...
};

// The 4 x 3 pair used throughout; rows the map, columns the reference, counted by
// hand: map 1 -> ref 1 twice, ref 2 once; map 2 -> ref 1 once, ref 2 three times;
// map 3 -> ref 2 once, ref 3 four times.
inline const std::vector<double> SmallMap{1, 1, 2, 3, 2, 2, 3, 3, 1, 3, 3, 2};
inline const std::vector<double> SmallReference{1, 2, 2, 3, 2, 1, 3, 3, 1, 3, 2, 2};

inline RasterLayout RasterOf(int width, int height, const std::vector<double>& values,
                             std::optional<double> nodata = {}, GDALDataType type = GDT_Byte) {
    RasterLayout layout;
    layout.width = width;
    layout.height = height;
    layout.type = type;
    layout.values = values;
    layout.nodata = nodata;
    return layout;
}

// Writes a one-band GeoTIFF; gives false when GDAL could not.
inline bool WriteRaster(const std::string& path, const RasterLayout& layout) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    std::vector<const char*> options;
    for (const std::string& option : layout.creationOptions)
        options.push_back(option.c_str());
    options.push_back(nullptr);
    GDALDatasetUniquePtr data(driver->Create(path.c_str(), layout.width, layout.height, 1,
                                             layout.type, const_cast<char**>(options.data())));
    if (!data)
        return false;
    data->SetGeoTransform(const_cast<double*>(layout.transform.data()));
    if (!layout.crsText.empty() || layout.epsg != 0) {
        OGRSpatialReference crs;
        if (!layout.crsText.empty())
            crs.SetFromUserInput(layout.crsText.c_str());
        else
            crs.importFromEPSG(layout.epsg);
        data->SetSpatialRef(&crs);
    }
    GDALRasterBand* band = data->GetRasterBand(1);
    if (layout.nodata)
        band->SetNoDataValue(*layout.nodata);
    std::vector<double> values = layout.values;
    return band->RasterIO(GF_Write, 0, 0, layout.width, layout.height, values.data(), layout.width,
                          layout.height, GDT_Float64, 0, 0, nullptr) == CE_None;
}

struct PointSpec {
    double x = 0, y = 0;
    std::optional<std::string> value; // the class field's text; none: not set
};

// Writes a GeoPackage layer of points with a string field "class" (or a polygon
// feature where `polygonAt` is the index of a point to make a square of).
inline bool WritePoints(const std::string& path, const std::string& layerName, int epsg,
                        const std::vector<PointSpec>& points, int polygonAt = -1) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    GDALDatasetUniquePtr data(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    if (!data)
        data.reset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!data)
        return false;
    OGRSpatialReference crs;
    crs.importFromEPSG(epsg);
    OGRLayer* layer = data->CreateLayer(layerName.c_str(), &crs, wkbUnknown, nullptr);
    if (layer == nullptr)
        return false;
    OGRFieldDefn field("class", OFTString);
    if (layer->CreateField(&field) != OGRERR_NONE || layer->StartTransaction() != OGRERR_NONE)
        return false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        if (points[i].value)
            feature->SetField("class", points[i].value->c_str());
        if (static_cast<int>(i) == polygonAt) {
            OGRPolygon polygon;
            OGRLinearRing ring;
            ring.addPoint(points[i].x, points[i].y);
            ring.addPoint(points[i].x + 1, points[i].y);
            ring.addPoint(points[i].x + 1, points[i].y + 1);
            ring.addPoint(points[i].x, points[i].y);
            polygon.addRing(&ring);
            feature->SetGeometry(&polygon);
        } else {
            OGRPoint point(points[i].x, points[i].y);
            feature->SetGeometry(&point);
        }
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE)
            return false;
    }
    return layer->CommitTransaction() == OGRERR_NONE;
}

} // namespace brennic::test
