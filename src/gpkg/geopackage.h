// A GeoPackage being written: the database, the tables every GeoPackage
// holds (spatial references, contents, geometry columns, extensions, the
// columns' descriptions and coded values) and the statements that add
// their rows, layer after layer.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

struct GeoPackage {
  sqlite3* db = nullptr;
  std::string lastChange;  // each layer's last_change, 2026-12-08T22:00:00.000Z
  sqlite3_stmt* addContents = nullptr;
  sqlite3_stmt* addGeometryColumn = nullptr;
  sqlite3_stmt* addExtension = nullptr;
  sqlite3_stmt* addDataColumn = nullptr;
  sqlite3_stmt* addConstraint = nullptr;
};

// The spatial references a layer may have: WGS 84 longitude and latitude,
// or "undefined geographic".
constexpr int32_t WGS84_SRS = 4326;
constexpr int32_t UNDEFINED_GEOGRAPHIC_SRS = 0;

// Creates the database at path (an empty file) with the GeoPackage's own
// tables and fixed rows, in one transaction that lasts until it is
// finished.
void startGeoPackage(GeoPackage& gpkg, const std::string& path, const std::string& lastChange);

// Commits everything and closes the database; a failure ends the run.
void finishGeoPackage(GeoPackage& gpkg);

// Closes the database as it is, for a run that ends before it is finished.
void closeGeoPackage(GeoPackage& gpkg);

// "YYYY-MM-DDTHH:MM:SS.000Z" of a time in seconds since 1970 (UTC).
std::string timestampText(int64_t seconds);
