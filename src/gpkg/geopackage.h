// A GeoPackage being written: the database, the tables every GeoPackage
// holds (spatial references, contents, geometry columns, extensions, the
// columns' descriptions and coded values) and the statements that add
// their rows, layer after layer.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The rows each layer adds to the GeoPackage's own tables. They are kept
// until the end and added after the last table is made: a statement
// prepared before a change of the schema would be prepared again after it.
struct ContentsRow {
  std::string table, description;
  bool features;   // else attributes
  bool hasExtent;  // the layer has a geometry
  double minX, minY, maxX, maxY;
  int32_t srsId;
};
struct GeometryColumnRow {
  std::string table, type;
  int32_t srsId;
  int z;  // 0 no heights, 1 heights everywhere, 2 somewhere
};
struct DataColumnRow {
  std::string table, column, name, constraint;  // "" for NULL
};
struct ConstraintRow {
  std::string constraint, value, description;
};
struct TriggerRow {
  std::string name, table, sql;
};

struct GeoPackage {
  sqlite3* db = nullptr;
  std::string lastChange;  // each layer's last_change, 2026-12-08T22:00:00.000Z
  std::vector<ContentsRow> contents;
  std::vector<GeometryColumnRow> geometryColumns;  // each with its spatial index
  std::vector<DataColumnRow> dataColumns;
  std::vector<ConstraintRow> constraints;
  std::vector<TriggerRow> triggers;  // the spatial indexes' triggers
};

// The spatial references a layer may have: WGS 84 longitude and latitude,
// or "undefined geographic".
constexpr int32_t WGS84_SRS = 4326;
constexpr int32_t UNDEFINED_GEOGRAPHIC_SRS = 0;

// Creates the database at path (an empty file) with the GeoPackage's own
// tables and fixed rows, in one transaction that lasts until it is
// finished.
void startGeoPackage(GeoPackage& gpkg, const std::string& path, const std::string& lastChange);

// Adds the layers' rows to the GeoPackage's tables, commits everything
// and closes the database; a failure ends the run.
void finishGeoPackage(GeoPackage& gpkg);

// Closes the database as it is, for a run that ends before it is finished.
void closeGeoPackage(GeoPackage& gpkg);

// "YYYY-MM-DDTHH:MM:SS.000Z" of a time in seconds since 1970 (UTC).
std::string timestampText(int64_t seconds);
