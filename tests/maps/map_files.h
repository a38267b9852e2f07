// Small rasters and point layers made with GDAL's own API in a test's folder, for
// the map counting tests and the companion program's tests.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_rat.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace brennic::test {

struct Raster {
    Raster(int w, int h, std::vector<double> v, std::optional<double> n = {},
           GDALDataType t = GDT_Byte)
        : width(w), height(h), values(std::move(v)), nodata(n), type(t) {}
    int width, height;
    std::vector<double> values; // row by row
    std::optional<double> nodata;
    GDALDataType type;
    std::vector<std::string> creationOptions; // "TILED=YES", "COMPRESS=DEFLATE", ...
    std::vector<double> transform{500000, 10, 0, 4000000, 0, -10};
    std::string crs = "EPSG:32632"; // any definition GDAL reads; empty: none
    std::vector<double> mask;       // row by row, 0 left out; empty: none
    bool alpha = false;             // the mask as an alpha band, else the dataset's mask
    // Names of classes: rows of a raster attribute table (a value column and a
    // name column), and category names, the first that of value 0.
    std::vector<std::pair<int, std::string>> tableNames;
    std::vector<std::string> categoryNames;
    // The table's rows as values 0, 1, ... (linear binning) and its names in a
    // text column "Name" of no particular usage, instead.
    bool tableByRow = false;
};

// The 4 x 3 pair used throughout; rows the map, columns the reference, counted by
// hand: map 1 -> ref 1 twice, ref 2 once; map 2 -> ref 1 once, ref 2 three times;
// map 3 -> ref 2 once, ref 3 four times.
inline const std::vector<double> SmallMap{1, 1, 2, 3, 2, 2, 3, 3, 1, 3, 3, 2};
inline const std::vector<double> SmallReference{1, 2, 2, 3, 2, 1, 3, 3, 1, 3, 2, 2};
inline const std::vector<std::uint64_t> SmallCounts{2, 1, 0, 1, 3, 0, 0, 1, 4};

// Writes a one-band GeoTIFF; gives false when GDAL could not.
inline bool WriteRaster(const std::string& path, Raster r) {
    GDALAllRegister();
    CPLStringList options;
    for (const std::string& option : r.creationOptions)
        options.AddString(option.c_str());
    const int bands = r.alpha ? 2 : 1;
    GDALDatasetUniquePtr data(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        path.c_str(), r.width, r.height, bands, r.type, options.List()));
    if (!data)
        return false;
    data->SetGeoTransform(r.transform.data());
    OGRSpatialReference crs;
    if (!r.crs.empty() && crs.SetFromUserInput(r.crs.c_str()) == OGRERR_NONE)
        data->SetSpatialRef(&crs);
    if (r.nodata)
        data->GetRasterBand(1)->SetNoDataValue(*r.nodata);
    if (!r.tableNames.empty()) {
        GDALDefaultRasterAttributeTable table;
        if (r.tableByRow) {
            table.SetLinearBinning(0, 1);
            table.CreateColumn("Name", GFT_String, GFU_Generic);
            table.SetRowCount(r.tableNames.back().first + 1);
            for (const auto& [value, name] : r.tableNames)
                table.SetValue(value, 0, name.c_str());
        } else {
            table.CreateColumn("value", GFT_Integer, GFU_MinMax);
            table.CreateColumn("class_name", GFT_String, GFU_Name);
            for (std::size_t row = 0; row < r.tableNames.size(); ++row) {
                table.SetValue(static_cast<int>(row), 0, r.tableNames[row].first);
                table.SetValue(static_cast<int>(row), 1, r.tableNames[row].second.c_str());
            }
        }
        if (data->GetRasterBand(1)->SetDefaultRAT(&table) != CE_None)
            return false;
    }
    if (!r.categoryNames.empty()) {
        CPLStringList names;
        for (const std::string& name : r.categoryNames)
            names.AddString(name.c_str());
        if (data->GetRasterBand(1)->SetCategoryNames(names.List()) != CE_None)
            return false;
    }
    GDALRasterBand* mask = nullptr;
    if (r.alpha && data->GetRasterBand(2)->SetColorInterpretation(GCI_AlphaBand) == CE_None)
        mask = data->GetRasterBand(2);
    else if (!r.mask.empty() && data->CreateMaskBand(GMF_PER_DATASET) == CE_None)
        mask = data->GetRasterBand(1)->GetMaskBand();
    if (!r.mask.empty() &&
        (mask == nullptr ||
         mask->RasterIO(GF_Write, 0, 0, r.width, r.height, r.mask.data(), r.width, r.height,
                        GDT_Float64, 0, 0, nullptr) != CE_None))
        return false;
    return data->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, r.width, r.height, r.values.data(),
                                            r.width, r.height, GDT_Float64, 0, 0,
                                            nullptr) == CE_None;
}

// One feature of a point layer: its place and the text of its class field.
struct PointRow {
    double x = 0, y = 0;
    std::optional<std::string> value; // the class field's text; none: not set
};

// Adds a GeoPackage layer of points with a string field "class" (the feature at
// `polygonAt` a polygon instead), in the system `epsg`; 0: none.
inline bool WritePoints(const std::string& path, const std::string& layerName, int epsg,
                        const std::vector<PointRow>& points, int polygonAt = -1) {
    GDALAllRegister();
    GDALDatasetUniquePtr data(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    if (!data)
        data.reset(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(path.c_str(), 0, 0, 0,
                                                                           GDT_Unknown, nullptr));
    OGRSpatialReference crs;
    crs.importFromEPSG(epsg);
    OGRLayer* layer =
        data ? data->CreateLayer(layerName.c_str(), epsg != 0 ? &crs : nullptr) : nullptr;
    OGRFieldDefn field("class", OFTString);
    if (!layer || layer->CreateField(&field) != OGRERR_NONE ||
        layer->StartTransaction() != OGRERR_NONE)
        return false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        if (points[i].value)
            feature->SetField("class", points[i].value->c_str());
        OGRGeometry* geometry = nullptr;
        if (static_cast<int>(i) == polygonAt)
            OGRGeometryFactory::createFromWkt("POLYGON ((0 0,1 0,1 1,0 0))", nullptr, &geometry);
        else
            geometry = new OGRPoint(points[i].x, points[i].y);
        feature->SetGeometryDirectly(geometry);
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE)
            return false;
    }
    return layer->CommitTransaction() == OGRERR_NONE;
}

// A field of a point layer made by WriteLayer.
struct FieldOf {
    std::string name;
    OGRFieldType type;
};

// A point of WriteLayer: its place and the texts of its fields, in their order.
struct FieldRow {
    double x = 0, y = 0;
    std::vector<std::string> values;
};

// Adds a GeoPackage layer of points in EPSG:32632 with the fields given, each
// set from its text.
inline bool WriteLayer(const std::string& path, const std::string& layerName,
                       const std::vector<FieldOf>& fields, const std::vector<FieldRow>& points) {
    GDALAllRegister();
    GDALDatasetUniquePtr data(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
        path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRSpatialReference crs;
    crs.importFromEPSG(32632);
    OGRLayer* layer = data ? data->CreateLayer(layerName.c_str(), &crs) : nullptr;
    if (!layer)
        return false;
    for (const FieldOf& f : fields) {
        OGRFieldDefn field(f.name.c_str(), f.type);
        if (layer->CreateField(&field) != OGRERR_NONE)
            return false;
    }
    for (const FieldRow& point : points) {
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        for (std::size_t i = 0; i < point.values.size(); ++i)
            feature->SetField(static_cast<int>(i), point.values[i].c_str());
        feature->SetGeometryDirectly(new OGRPoint(point.x, point.y));
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE)
            return false;
    }
    return true;
}

// The area of a cell on the WGS 84 ellipsoid, integrated here numerically by
// Simpson's rule: M(phi) N(phi) cos(phi) dphi dlambda.
inline double integratedArea(double lat1, double lat2, double widthDegrees) {
    const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f), toRadians = M_PI / 180;
    const int steps = 2000;
    const double h = (lat2 - lat1) / steps * toRadians;
    double sum = 0;
    for (int i = 0; i <= steps; ++i) {
        const double phi = lat1 * toRadians + i * h, w = 1 - std::pow(std::sin(phi), 2) * e2;
        const double weight = i == 0 || i == steps ? 1 : 2 + 2 * (i % 2);
        sum += weight * a * a * (1 - e2) * std::cos(phi) / (w * w);
    }
    return std::fabs(sum * h / 3 * widthDegrees * toRadians);
}

} // namespace brennic::test
