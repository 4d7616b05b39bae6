#include "gpkg/layer_writer.h"

#include <algorithm>
#include <cfloat>
#include <limits>

#include "gpkg/database.h"

namespace {

const char* const kScratch = "temp.quorl_rows";

const char* const kTypeNames[] = {
    "GEOMETRY",   "POINT",           "LINESTRING",   "POLYGON",
    "MULTIPOINT", "MULTILINESTRING", "MULTIPOLYGON", "GEOMETRYCOLLECTION"};

// multi(geom): a Point, LineString or Polygon as a multi geometry of one,
// for a layer that mixes single and multi geometries of a kind.
void multiFunction(sqlite3_context* context, int, sqlite3_value** values) {
  if (sqlite3_value_type(values[0]) != SQLITE_BLOB) {
    sqlite3_result_value(context, values[0]);
    return;
  }
  static HeldText out;
  out.used = 0;
  putMultiOfOne(out, static_cast<const unsigned char*>(sqlite3_value_blob(values[0])),
                static_cast<size_t>(sqlite3_value_bytes(values[0])));
  sqlite3_result_blob64(context, out.data, out.used, SQLITE_TRANSIENT);
}

// A box's bounds as SQLite's R*Tree, which keeps 32-bit floats, can hold
// them around the geometry. It rounds a bound outward to a float, but not
// past the floats' range: beyond the largest float, or nearer to zero than
// the smallest normal one, the float it takes may lie on the wrong side.
// There a lower bound is the next float (or infinity) below, an upper
// bound the next above.
double lowerBound(double v) {
  if (v > FLT_MAX) return FLT_MAX;
  if (v < -FLT_MAX) return -std::numeric_limits<double>::infinity();
  if (v > 0 && v < FLT_MIN) return 0;
  if (v < 0 && v > -FLT_MIN) return -FLT_MIN;
  return v;
}

double upperBound(double v) {
  if (v < -FLT_MAX) return -FLT_MAX;
  if (v > FLT_MAX) return std::numeric_limits<double>::infinity();
  if (v < 0 && v > -FLT_MIN) return 0;
  if (v > 0 && v < FLT_MIN) return FLT_MIN;
  return v;
}

// The layer's geometry type: the one type of all its geometries, or the
// multi type where it mixes a type with its multi form (multi is then set),
// else GEOMETRY; with none, the type its kind of table would have.
std::string geometryTypeName(const LayerWriter& writer, bool& multi) {
  multi = false;
  const uint32_t seen = writer.typesSeen;
  if (seen == 0) return writer.table.emptyType;
  for (int t = POINT_GEOMETRY; t <= COLLECTION_GEOMETRY; ++t)
    if (seen == 1u << t) return kTypeNames[t];
  for (int t = POINT_GEOMETRY; t <= POLYGON_GEOMETRY; ++t)
    if (seen == (1u << t | 1u << (t + 3))) {
      multi = true;
      return kTypeNames[t + 3];
    }
  return kTypeNames[0];
}

std::string indexName(const LayerWriter& writer) { return "rtree_" + writer.table.name + "_geom"; }

// The triggers that keep the spatial index in step when a program later
// inserts, updates or deletes features (GeoPackage 1.4, F.3).
std::string indexTriggers(const std::string& table) {
  const std::string t = quotedName(table);
  const std::string i = quotedName("rtree_" + table + "_geom");
  const auto name = [&](const char* what) {
    return quotedName("rtree_" + table + "_geom_" + what);
  };
  const std::string box =
      "NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom)";
  return "CREATE TRIGGER " + name("insert") + " AFTER INSERT ON " + t +
         " WHEN (new.geom NOT NULL AND NOT ST_IsEmpty(NEW.geom)) BEGIN"
         " INSERT OR REPLACE INTO " +
         i + " VALUES (" + box +
         "); END;"
         "CREATE TRIGGER " +
         name("update6") + " AFTER UPDATE OF geom ON " + t +
         " WHEN OLD.fid = NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
         " AND (OLD.geom NOTNULL AND NOT ST_IsEmpty(OLD.geom)) BEGIN"
         " UPDATE " +
         i +
         " SET minx = ST_MinX(NEW.geom), maxx = ST_MaxX(NEW.geom),"
         " miny = ST_MinY(NEW.geom), maxy = ST_MaxY(NEW.geom) WHERE id = NEW.fid; END;"
         "CREATE TRIGGER " +
         name("update7") + " AFTER UPDATE OF geom ON " + t +
         " WHEN OLD.fid = NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
         " AND (OLD.geom ISNULL OR ST_IsEmpty(OLD.geom)) BEGIN"
         " INSERT INTO " +
         i + " VALUES (" + box +
         "); END;"
         "CREATE TRIGGER " +
         name("update2") + " AFTER UPDATE OF geom ON " + t +
         " WHEN OLD.fid = NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom)) BEGIN"
         " DELETE FROM " +
         i +
         " WHERE id = OLD.fid; END;"
         "CREATE TRIGGER " +
         name("update5") + " AFTER UPDATE ON " + t +
         " WHEN OLD.fid != NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom)) BEGIN"
         " DELETE FROM " +
         i +
         " WHERE id = OLD.fid;"
         " INSERT OR REPLACE INTO " +
         i + " VALUES (" + box +
         "); END;"
         "CREATE TRIGGER " +
         name("update4") + " AFTER UPDATE ON " + t +
         " WHEN OLD.fid != NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom)) BEGIN"
         " DELETE FROM " +
         i +
         " WHERE id IN (OLD.fid, NEW.fid); END;"
         "CREATE TRIGGER " +
         name("delete") + " AFTER DELETE ON " + t +
         " WHEN old.geom NOT NULL BEGIN"
         " DELETE FROM " +
         i + " WHERE id = OLD.fid; END;";
}

// The scratch table's columns: the fid, the geometry, then c1, c2, ...
std::string scratchColumns(size_t n, bool values) {
  std::string sql = values ? "?,?" : "fid INTEGER PRIMARY KEY, geom";
  for (size_t k = 1; k <= n; ++k) sql += values ? ",?" : ", c" + std::to_string(k);
  return sql;
}

// A column's description as its gpkg_data_columns name: a description
// repeated in the layer gets " (2)", " (3)", ...
std::string uniqueDescription(std::vector<std::string>& used, const std::string& description) {
  std::string name = description;
  for (int n = 2; std::find(used.begin(), used.end(), name) != used.end(); ++n)
    name = description + " (" + std::to_string(n) + ")";
  used.push_back(name);
  return name;
}

void bindTextOrNull(sqlite3_stmt* statement, int parameter, const std::string& text) {
  if (text.empty())
    bindNull(statement, parameter);
  else
    bindText(statement, parameter, text);
}

// The columns' descriptions and coded values.
void addColumnDescriptions(const LayerWriter& writer) {
  const GeoPackage& gpkg = *writer.gpkg;
  const LayerTable& table = writer.table;
  std::vector<std::string> used;
  for (size_t i = 0; i < table.descriptions.size(); ++i) {
    const std::string& column = table.columns[i].name;
    const std::string constraint = table.codes[i].empty() ? "" : table.name + "_" + column;
    bindText(gpkg.addDataColumn, 1, table.name);
    bindText(gpkg.addDataColumn, 2, column);
    const std::string description =
        table.descriptions[i].empty() ? "" : uniqueDescription(used, table.descriptions[i]);
    bindTextOrNull(gpkg.addDataColumn, 3, description);
    bindTextOrNull(gpkg.addDataColumn, 4, constraint);
    stepSql(gpkg.addDataColumn);
    for (const CodedValue& code : table.codes[i]) {
      bindText(gpkg.addConstraint, 1, constraint);
      bindText(gpkg.addConstraint, 2, code.value);
      bindText(gpkg.addConstraint, 3, code.description);
      stepSql(gpkg.addConstraint);
    }
  }
}

void addContents(const LayerWriter& writer) {
  sqlite3_stmt* s = writer.gpkg->addContents;
  const LayerTable& table = writer.table;
  bindText(s, 1, table.name);
  bindText(s, 2, table.features ? "features" : "attributes", table.features ? 8 : 10);
  bindText(s, 3, table.name);
  bindText(s, 4, table.description);
  bindText(s, 5, writer.gpkg->lastChange);
  const double extent[4] = {writer.minX, writer.minY, writer.maxX, writer.maxY};
  for (int k = 0; k < 4; ++k) {
    if (writer.geometries > 0)
      bindDouble(s, 6 + k, extent[k]);
    else
      bindNull(s, 6 + k);
  }
  if (table.features)
    bindInteger(s, 10, table.srsId);
  else
    bindNull(s, 10);
  stepSql(s);
}

}  // namespace

void beginLayer(LayerWriter& writer, GeoPackage& gpkg, LayerTable table) {
  writer.gpkg = &gpkg;
  writer.table = std::move(table);
  writer.typesSeen = 0;
  writer.geometries = writer.withHeights = 0;
  writer.rows = 0;
  sqlite3* db = gpkg.db;
  const size_t n = writer.table.columns.size();
  runSql(db, std::string("CREATE TABLE ") + kScratch + " (" + scratchColumns(n, false) + ")");
  writer.addRow = prepareSql(
      db, std::string("INSERT INTO ") + kScratch + " VALUES (" + scratchColumns(n, true) + ")");
  if (!writer.table.features) return;
  runSql(db, "CREATE VIRTUAL TABLE " + quotedName(indexName(writer)) +
                 " USING rtree(id, minx, maxx, miny, maxy)");
  writer.addBox =
      prepareSql(db, "INSERT INTO " + quotedName(indexName(writer)) + " VALUES (?,?,?,?,?)");
  sqlite3_create_function(db, "quorl_multi", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                          multiFunction, nullptr, nullptr);
}

void bindRowGeometry(LayerWriter& writer, int64_t fid, const Shape* shape) {
  bindInteger(writer.addRow, 1, fid);
  if (shape == nullptr || shape->kind == SHAPE_NONE) {
    bindNull(writer.addRow, 2);
    return;
  }
  writer.blob.used = 0;
  const BlobFacts facts = putGeometryBlob(writer.blob, *shape, writer.table.srsId);
  bindBlob(writer.addRow, 2, writer.blob.data, writer.blob.used);
  writer.typesSeen |= 1u << facts.type;
  if (facts.hasZ) ++writer.withHeights;
  if (facts.empty) return;
  if (writer.geometries++ == 0) {
    writer.minX = facts.minX;
    writer.maxX = facts.maxX;
    writer.minY = facts.minY;
    writer.maxY = facts.maxY;
  } else {
    if (facts.minX < writer.minX) writer.minX = facts.minX;
    if (facts.maxX > writer.maxX) writer.maxX = facts.maxX;
    if (facts.minY < writer.minY) writer.minY = facts.minY;
    if (facts.maxY > writer.maxY) writer.maxY = facts.maxY;
  }
  sqlite3_stmt* box = writer.addBox;
  bindInteger(box, 1, fid);
  bindDouble(box, 2, lowerBound(facts.minX));
  bindDouble(box, 3, upperBound(facts.maxX));
  bindDouble(box, 4, lowerBound(facts.minY));
  bindDouble(box, 5, upperBound(facts.maxY));
  stepSql(box);
}

void addLayerRow(LayerWriter& writer) {
  stepSql(writer.addRow);
  ++writer.rows;
}

void endLayer(LayerWriter& writer) {
  GeoPackage& gpkg = *writer.gpkg;
  sqlite3* db = gpkg.db;
  const LayerTable& table = writer.table;
  finishSql(writer.addRow);
  finishSql(writer.addBox);
  writer.addRow = writer.addBox = nullptr;
  bool multi = false;
  const std::string type = table.features ? geometryTypeName(writer, multi) : "";
  std::string create =
      "CREATE TABLE " + quotedName(table.name) + " (\"fid\" INTEGER PRIMARY KEY AUTOINCREMENT";
  std::string select = "fid";
  if (table.features) {
    create += ", \"geom\" " + type;
    select += multi ? ", quorl_multi(geom)" : ", geom";
  }
  for (size_t k = 0; k < table.columns.size(); ++k) {
    create += ", " + quotedName(table.columns[k].name) + " " + table.columns[k].type;
    select += ", c" + std::to_string(k + 1);
  }
  runSql(db, create + ")");
  runSql(db, "INSERT INTO main." + quotedName(table.name) + " SELECT " + select + " FROM " +
                 kScratch + " ORDER BY fid");
  runSql(db, std::string("DROP TABLE ") + kScratch);
  addContents(writer);
  if (table.features) {
    runSql(db, indexTriggers(table.name));
    sqlite3_stmt* s = gpkg.addGeometryColumn;
    bindText(s, 1, table.name);
    bindText(s, 2, type);
    bindInteger(s, 3, table.srsId);
    const int64_t counted = writer.geometries + 0;
    bindInteger(s, 4, writer.withHeights == 0 ? 0 : writer.withHeights == counted ? 1 : 2);
    stepSql(s);
    bindText(gpkg.addExtension, 1, table.name);
    stepSql(gpkg.addExtension);
  }
  addColumnDescriptions(writer);
}
