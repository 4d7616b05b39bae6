#include "gpkg/geopackage.h"

#include <cstdio>

#include "gpkg/database.h"

namespace {

// The GeoPackage's own tables, as the standard defines them.
const char* const kTables =
    "CREATE TABLE gpkg_spatial_ref_sys ("
    "srs_name TEXT NOT NULL, srs_id INTEGER NOT NULL PRIMARY KEY, "
    "organization TEXT NOT NULL, organization_coordsys_id INTEGER NOT NULL, "
    "definition TEXT NOT NULL, description TEXT);"
    "CREATE TABLE gpkg_contents ("
    "table_name TEXT NOT NULL PRIMARY KEY, data_type TEXT NOT NULL, identifier TEXT UNIQUE, "
    "description TEXT DEFAULT '', "
    "last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')), "
    "min_x DOUBLE, min_y DOUBLE, max_x DOUBLE, max_y DOUBLE, srs_id INTEGER, "
    "CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id));"
    "CREATE TABLE gpkg_geometry_columns ("
    "table_name TEXT NOT NULL, column_name TEXT NOT NULL, geometry_type_name TEXT NOT NULL, "
    "srs_id INTEGER NOT NULL, z TINYINT NOT NULL, m TINYINT NOT NULL, "
    "CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name), "
    "CONSTRAINT uk_gc_table_name UNIQUE (table_name), "
    "CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name), "
    "CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id));"
    "CREATE TABLE gpkg_extensions ("
    "table_name TEXT, column_name TEXT, extension_name TEXT NOT NULL, "
    "definition TEXT NOT NULL, scope TEXT NOT NULL, "
    "CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name));"
    "CREATE TABLE gpkg_data_columns ("
    "table_name TEXT NOT NULL, column_name TEXT NOT NULL, name TEXT, title TEXT, "
    "description TEXT, mime_type TEXT, constraint_name TEXT, "
    "CONSTRAINT pk_gdc PRIMARY KEY (table_name, column_name), "
    "CONSTRAINT gdc_tn UNIQUE (table_name, name));"
    "CREATE TABLE gpkg_data_column_constraints ("
    "constraint_name TEXT NOT NULL, constraint_type TEXT NOT NULL, value TEXT, "
    "min NUMERIC, min_is_inclusive BOOLEAN, max NUMERIC, max_is_inclusive BOOLEAN, "
    "description TEXT, "
    "CONSTRAINT gdcc_ntv UNIQUE (constraint_name, constraint_type, value));";

// The three spatial references every GeoPackage holds.
const char* const kSpatialReferences =
    "INSERT INTO gpkg_spatial_ref_sys VALUES "
    "('Undefined Cartesian SRS', -1, 'NONE', -1, 'undefined', "
    "'undefined Cartesian coordinate reference system'),"
    "('Undefined geographic SRS', 0, 'NONE', 0, 'undefined', "
    "'undefined geographic coordinate reference system'),"
    "('WGS 84 geodetic', 4326, 'EPSG', 4326, 'GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\","
    "SPHEROID[\"WGS 84\",6378137,298.257223563,AUTHORITY[\"EPSG\",\"7030\"]],"
    "AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],"
    "UNIT[\"degree\",0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],"
    "AUTHORITY[\"EPSG\",\"4326\"]]', "
    "'longitude/latitude coordinates in decimal degrees on the WGS 84 spheroid');";

// The columns' descriptions and coded values (the schema extension).
const char* const kSchemaExtension =
    "INSERT INTO gpkg_extensions VALUES "
    "('gpkg_data_columns', NULL, 'gpkg_schema', "
    "'http://www.geopackage.org/spec/#extension_schema', 'read-write'),"
    "('gpkg_data_column_constraints', NULL, 'gpkg_schema', "
    "'http://www.geopackage.org/spec/#extension_schema', 'read-write');";

// Days since 1970-01-01 of a date, and back: the civil calendar's rules
// in whole numbers, for any year.
void civilFromDays(int64_t days, int64_t& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::string timestampText(int64_t seconds) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  int64_t year;
  int month, day;
  civilFromDays(days, year, month, day);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.000Z",
                static_cast<long long>(year), month, day, static_cast<int>(rest / 3600),
                static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
  return text;
}

void startGeoPackage(GeoPackage& gpkg, const std::string& path, const std::string& lastChange) {
  gpkg = GeoPackage();  // a run in the same process (the fuzz harness's) starts anew
  gpkg.lastChange = lastChange;
  openGeoPackageDatabase(path, gpkg.db);
  runSql(gpkg.db,
         "PRAGMA application_id = 1196444487;"  // 0x47504B47, "GPKG"
         "PRAGMA user_version = 10400;"         // GeoPackage 1.4.0
         "BEGIN;");
  runSql(gpkg.db, kTables);
  runSql(gpkg.db, kSpatialReferences);
  runSql(gpkg.db, kSchemaExtension);
}

namespace {

void bindTextOrNull(sqlite3_stmt* statement, int parameter, const std::string& text) {
  if (text.empty())
    bindNull(statement, parameter);
  else
    bindText(statement, parameter, text);
}

void addContents(GeoPackage& gpkg) {
  sqlite3_stmt* s = prepareSql(gpkg.db, "INSERT INTO gpkg_contents VALUES (?,?,?,?,?,?,?,?,?,?)");
  for (const ContentsRow& row : gpkg.contents) {
    bindText(s, 1, row.table);
    bindText(s, 2, row.features ? "features" : "attributes");
    bindText(s, 3, row.table);
    bindText(s, 4, row.description);
    bindText(s, 5, gpkg.lastChange);
    const double extent[4] = {row.minX, row.minY, row.maxX, row.maxY};
    for (int k = 0; k < 4; ++k) {
      if (row.hasExtent)
        bindDouble(s, 6 + k, extent[k]);
      else
        bindNull(s, 6 + k);
    }
    if (row.features)
      bindInteger(s, 10, row.srsId);
    else
      bindNull(s, 10);
    stepSql(s);
  }
  finishSql(s);
}

// Each geometry column, and its spatial index among the extensions.
void addGeometryColumns(GeoPackage& gpkg) {
  sqlite3_stmt* s =
      prepareSql(gpkg.db, "INSERT INTO gpkg_geometry_columns VALUES (?,'geom',?,?,?,0)");
  for (const GeometryColumnRow& row : gpkg.geometryColumns) {
    bindText(s, 1, row.table);
    bindText(s, 2, row.type);
    bindInteger(s, 3, row.srsId);
    bindInteger(s, 4, row.z);
    stepSql(s);
  }
  finishSql(s);
  s = prepareSql(gpkg.db,
                 "INSERT INTO gpkg_extensions VALUES (?,'geom','gpkg_rtree_index',"
                 "'http://www.geopackage.org/spec140/#extension_rtree','write-only')");
  for (const GeometryColumnRow& row : gpkg.geometryColumns) {
    bindText(s, 1, row.table);
    stepSql(s);
  }
  finishSql(s);
}

void addDataColumns(GeoPackage& gpkg) {
  sqlite3_stmt* s =
      prepareSql(gpkg.db, "INSERT INTO gpkg_data_columns VALUES (?,?,?,NULL,NULL,NULL,?)");
  for (const DataColumnRow& row : gpkg.dataColumns) {
    bindText(s, 1, row.table);
    bindText(s, 2, row.column);
    bindTextOrNull(s, 3, row.name);
    bindTextOrNull(s, 4, row.constraint);
    stepSql(s);
  }
  finishSql(s);
  s = prepareSql(
      gpkg.db,
      "INSERT INTO gpkg_data_column_constraints VALUES (?,'enum',?,NULL,NULL,NULL,NULL,?)");
  for (const ConstraintRow& row : gpkg.constraints) {
    bindText(s, 1, row.constraint);
    bindText(s, 2, row.value);
    bindText(s, 3, row.description);
    stepSql(s);
  }
  finishSql(s);
}

// Adds the spatial indexes' triggers to the schema as its rows, as
// SQLite's own VACUUM copies triggers: a trigger is its row there (no page
// of its own), and that row is what CREATE TRIGGER writes. CREATE TRIGGER
// would then look through the whole schema for the row it wrote, seven
// times a layer, a cost that grows with the square of the layers (a
// database of several libraries); added last, they are not in the way of
// the tables' CREATE either. The schema's version then changes, as CREATE
// TRIGGER's would: a program that has read the schema reads it again, and
// so does this run, which parses every trigger before the file is done.
void addTriggers(GeoPackage& gpkg) {
  runSql(gpkg.db, "PRAGMA writable_schema = ON");
  sqlite3_stmt* s =
      prepareSql(gpkg.db,
                 "INSERT INTO main.sqlite_schema (type, name, tbl_name, rootpage, sql) "
                 "VALUES ('trigger', ?, ?, 0, ?)");
  for (const TriggerRow& row : gpkg.triggers) {
    bindText(s, 1, row.name);
    bindText(s, 2, row.table);
    bindText(s, 3, row.sql);
    stepSql(s);
  }
  finishSql(s);
  runSql(gpkg.db, "PRAGMA writable_schema = OFF");
  s = prepareSql(gpkg.db, "PRAGMA schema_version");
  const int64_t version = stepRow(s) ? sqlite3_column_int64(s, 0) : 0;
  finishSql(s);
  runSql(gpkg.db, "PRAGMA schema_version = " + std::to_string(version + 1));
}

}  // namespace

void finishGeoPackage(GeoPackage& gpkg) {
  addTriggers(gpkg);
  addContents(gpkg);
  addGeometryColumns(gpkg);
  addDataColumns(gpkg);
  runSql(gpkg.db, "COMMIT;");
  closeGeoPackageDatabase(gpkg.db);
  gpkg.db = nullptr;
}

void closeGeoPackage(GeoPackage& gpkg) {
  if (gpkg.db == nullptr) return;
  closeGeoPackageDatabase(gpkg.db);
  gpkg.db = nullptr;
}
