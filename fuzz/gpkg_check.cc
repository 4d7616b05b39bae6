#include "gpkg_check.h"

#include <sqlite3.h>

#include "blob_check.h"

namespace {

const char* const kTypeNames[8] = {
    "GEOMETRY",   "POINT",           "LINESTRING",   "POLYGON",
    "MULTIPOINT", "MULTILINESTRING", "MULTIPOLYGON", "GEOMETRYCOLLECTION"};

// A name in SQL text in quotes q: as an identifier ('"') or a string ('\'').
std::string quoted(const std::string& name, char q = '"') {
  std::string sql(1, q);
  for (char c : name) sql += c == q ? std::string(2, q) : std::string(1, c);
  return sql + q;
}

// A statement and the problem of making or stepping it; finalized when it
// goes.
struct Query {
  sqlite3* db;
  sqlite3_stmt* statement = nullptr;
  std::string problem;

  Query(sqlite3* database, const std::string& sql) : db(database) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
      problem = "can't query it (" + sql + "): " + sqlite3_errmsg(db);
  }
  ~Query() { sqlite3_finalize(statement); }

  bool row() {
    if (!problem.empty()) return false;
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) problem = std::string("a query failed: ") + sqlite3_errmsg(db);
    return false;
  }

  std::string text(int column) {
    const unsigned char* t = sqlite3_column_text(statement, column);
    return t == nullptr ? "" : reinterpret_cast<const char*>(t);
  }
  int64_t integer(int column) { return sqlite3_column_int64(statement, column); }
  double real(int column) { return sqlite3_column_double(statement, column); }
  bool isNull(int column) { return sqlite3_column_type(statement, column) == SQLITE_NULL; }
};

// The first row's first column of a query as text, "" for none.
std::string single(sqlite3* db, const std::string& sql, std::string& problem) {
  Query q(db, sql);
  std::string value = q.row() ? q.text(0) : "";
  if (problem.empty()) problem = q.problem;
  return value;
}

struct Extent {
  bool any = false;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// A geometry's box must be in the spatial index, rounded outward.
std::string checkIndexBox(Query& box, int64_t fid, const BlobReading& g) {
  sqlite3_reset(box.statement);
  sqlite3_bind_int64(box.statement, 1, fid);
  if (!box.row())
    return box.problem.empty() ? "no index entry for fid " + std::to_string(fid) : box.problem;
  if (box.real(0) > g.minX || box.real(1) < g.maxX || box.real(2) > g.minY || box.real(3) < g.maxY)
    return "the index box of fid " + std::to_string(fid) + " does not hold its geometry";
  return "";
}

// A feature layer's geometry column, rows, geometries and index.
std::string checkFeatureRows(sqlite3* db, GeoPackageLayer& layer, int32_t srsId, Extent& extent) {
  std::string problem;
  Query column(db,
               "SELECT geometry_type_name, srs_id, z, m FROM gpkg_geometry_columns "
               "WHERE table_name = " +
                   quoted(layer.name, '\'') + " AND column_name = 'geom'");
  if (!column.row()) return column.problem.empty() ? "no geometry column" : column.problem;
  const std::string typeName = column.text(0);
  const int64_t z = column.integer(2);
  if (column.integer(1) != srsId) return "a geometry column whose srs_id is not its contents'";
  if (column.integer(3) != 0 || z < 0 || z > 2) return "a geometry column with z or m out of place";
  Query declared(db, "SELECT type FROM pragma_table_info(" + quoted(layer.name, '\'') +
                         ") WHERE name = 'geom'");
  if (!declared.row() || declared.text(0) != typeName)
    return "a geom column not declared as " + typeName;
  Query rows(db, "SELECT fid, geom FROM " + quoted(layer.name) + " ORDER BY fid");
  Query box(db, "SELECT minx, maxx, miny, maxy FROM " + quoted("rtree_" + layer.name + "_geom") +
                    " WHERE id = ?");
  if (!box.problem.empty()) return box.problem;
  int64_t withZ = 0, blobs = 0, boxes = 0;
  while (rows.row()) {
    const int64_t fid = rows.integer(0);
    if (fid != ++layer.rows)
      return "fid " + std::to_string(fid) + " in row " + std::to_string(layer.rows);
    if (rows.isNull(1)) {
      if (layer.nullGeometries++ == 0) layer.firstNull = fid;
      continue;
    }
    if (sqlite3_column_type(rows.statement, 1) != SQLITE_BLOB) return "a geometry that is no blob";
    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(rows.statement, 1));
    const BlobReading g =
        readGeometryBlob(blob, static_cast<size_t>(sqlite3_column_bytes(rows.statement, 1)), srsId);
    if (!g.problem.empty()) return "fid " + std::to_string(fid) + ": " + g.problem;
    if (typeName != kTypeNames[0] && typeName != kTypeNames[g.type])
      return "fid " + std::to_string(fid) + ": a " + kTypeNames[g.type] + " in a " + typeName +
             " layer";
    ++blobs;
    if (g.hasZ) ++withZ;
    if (g.empty) continue;
    ++boxes;
    problem = checkIndexBox(box, fid, g);
    if (!problem.empty()) return problem;
    if (!extent.any) {
      extent = {true, g.minX, g.minY, g.maxX, g.maxY};
      continue;
    }
    if (g.minX < extent.minX) extent.minX = g.minX;
    if (g.minY < extent.minY) extent.minY = g.minY;
    if (g.maxX > extent.maxX) extent.maxX = g.maxX;
    if (g.maxY > extent.maxY) extent.maxY = g.maxY;
  }
  if (!rows.problem.empty()) return rows.problem;
  const int64_t zDue = withZ == 0 ? 0 : withZ == blobs ? 1 : 2;
  if (z != zDue)
    return "z " + std::to_string(z) + " where the geometries give " + std::to_string(zDue);
  const std::string indexed =
      single(db, "SELECT count(*) FROM " + quoted("rtree_" + layer.name + "_geom"), problem);
  if (!problem.empty()) return problem;
  if (indexed != std::to_string(boxes))
    return "an index of " + indexed + " boxes for " + std::to_string(boxes) + " geometries";
  return "";
}

// One layer of gpkg_contents; q is at its row.
std::string checkLayer(sqlite3* db, Query& q, GeoPackageLayer& layer) {
  layer.name = q.text(0);
  const std::string type = q.text(1);
  layer.features = type == "features";
  if (!layer.features && type != "attributes") return "a layer of data_type " + type;
  if (layer.features && q.isNull(2)) return "a feature layer without srs_id";
  Extent extent;
  if (layer.features) {
    const std::string problem =
        checkFeatureRows(db, layer, static_cast<int32_t>(q.integer(2)), extent);
    if (!problem.empty()) return layer.name + ": " + problem;
  } else {
    Query rows(db, "SELECT fid FROM " + quoted(layer.name) + " ORDER BY fid");
    while (rows.row())
      if (rows.integer(0) != ++layer.rows) return layer.name + ": fids out of order";
    if (!rows.problem.empty()) return rows.problem;
  }
  bool nulls = true, same = true;
  const double bounds[4] = {extent.minX, extent.minY, extent.maxX, extent.maxY};
  for (int k = 0; k < 4; ++k) {
    nulls = nulls && q.isNull(3 + k);
    same = same && !q.isNull(3 + k) && q.real(3 + k) == bounds[k];
  }
  if (extent.any ? !same : !nulls) return layer.name + ": an extent unlike its geometries'";
  return "";
}

}  // namespace

std::string checkGeoPackageFile(const std::string& path, std::vector<GeoPackageLayer>& layers) {
  layers.clear();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    const std::string why = db != nullptr ? sqlite3_errmsg(db) : "no memory";
    sqlite3_close(db);
    return "the GeoPackage does not open: " + why;
  }
  std::string problem;
  const std::string integrity = single(db, "PRAGMA integrity_check", problem);
  if (problem.empty() && integrity != "ok") problem = "integrity_check: " + integrity;
  if (problem.empty() && !single(db, "PRAGMA foreign_key_check", problem).empty())
    problem = "foreign_key_check finds a row";
  if (problem.empty() && (single(db, "PRAGMA application_id", problem) != "1196444487" ||
                          single(db, "PRAGMA user_version", problem) != "10400"))
    problem = "not a GeoPackage 1.4 by its application_id and user_version";
  if (problem.empty()) {
    Query q(db,
            "SELECT table_name, data_type, srs_id, min_x, min_y, max_x, max_y "
            "FROM gpkg_contents ORDER BY rowid");
    while (problem.empty() && q.row()) {
      layers.emplace_back();
      problem = checkLayer(db, q, layers.back());
    }
    if (problem.empty()) problem = q.problem;
  }
  if (sqlite3_close(db) != SQLITE_OK && problem.empty()) problem = "the GeoPackage does not close";
  return problem;
}
