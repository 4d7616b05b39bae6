#include "gpkg/layer_writer.h"

#include <algorithm>

#include "gpkg/database.h"
#include "gpkg/spatial_index.h"

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

// Adds to triggers those that keep table's spatial index in step when a
// program later inserts, updates or deletes features (GeoPackage 1.4, F.3).
void addIndexTriggers(const std::string& table, std::vector<TriggerRow>& triggers) {
  const std::string t = quotedName(table);
  const std::string i = quotedName("rtree_" + table + "_geom");
  const std::string box =
      "NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom)";
  const std::pair<const char*, std::string> bodies[] = {
      {"insert", " AFTER INSERT ON " + t +
                     " WHEN (new.geom NOT NULL AND NOT ST_IsEmpty(NEW.geom)) BEGIN"
                     " INSERT OR REPLACE INTO " +
                     i + " VALUES (" + box + "); END"},
      {"update6",
       " AFTER UPDATE OF geom ON " + t +
           " WHEN OLD.fid = NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
           " AND (OLD.geom NOTNULL AND NOT ST_IsEmpty(OLD.geom)) BEGIN"
           " UPDATE " +
           i +
           " SET minx = ST_MinX(NEW.geom), maxx = ST_MaxX(NEW.geom),"
           " miny = ST_MinY(NEW.geom), maxy = ST_MaxY(NEW.geom) WHERE id = NEW.fid; END"},
      {"update7", " AFTER UPDATE OF geom ON " + t +
                      " WHEN OLD.fid = NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
                      " AND (OLD.geom ISNULL OR ST_IsEmpty(OLD.geom)) BEGIN"
                      " INSERT INTO " +
                      i + " VALUES (" + box + "); END"},
      {"update2", " AFTER UPDATE OF geom ON " + t +
                      " WHEN OLD.fid = NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom)) BEGIN"
                      " DELETE FROM " +
                      i + " WHERE id = OLD.fid; END"},
      {"update5", " AFTER UPDATE ON " + t +
                      " WHEN OLD.fid != NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
                      " BEGIN DELETE FROM " +
                      i +
                      " WHERE id = OLD.fid;"
                      " INSERT OR REPLACE INTO " +
                      i + " VALUES (" + box + "); END"},
      {"update4", " AFTER UPDATE ON " + t +
                      " WHEN OLD.fid != NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom)) BEGIN"
                      " DELETE FROM " +
                      i + " WHERE id IN (OLD.fid, NEW.fid); END"},
      {"delete", " AFTER DELETE ON " + t +
                     " WHEN old.geom NOT NULL BEGIN"
                     " DELETE FROM " +
                     i + " WHERE id = OLD.fid; END"},
  };
  for (const auto& body : bodies) {
    std::string name = "rtree_" + table + "_geom_" + body.first;
    std::string sql = "CREATE TRIGGER " + quotedName(name) + body.second;
    triggers.push_back({std::move(name), table, std::move(sql)});
  }
}

// The scratch table that holds a layer's rows until its table is made: its
// columns declared as the table's will be (the geometry as the emptyType
// says, which for points gives the affinity POINT and MULTIPOINT have, for
// the others that of the other types), so that SQLite copies the rows
// from one to the other as they are stored, without taking them apart. (A
// table of attributes has a geometry here too, always NULL, not copied.)
void makeScratchTable(sqlite3* db, const LayerTable& table) {
  std::string sql = std::string("CREATE TABLE ") + kScratch + " (fid INTEGER PRIMARY KEY, geom " +
                    table.emptyType;
  for (size_t k = 0; k < table.columns.size(); ++k)
    sql += ", c" + std::to_string(k + 1) + " " + table.columns[k].type;
  runSql(db, sql + ")");
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

// The layer's rows in the GeoPackage's own tables: its contents, its
// geometry column, its columns' descriptions and coded values.
void addLayerRows(const LayerWriter& writer, const std::string& type, int z) {
  GeoPackage& gpkg = *writer.gpkg;
  const LayerTable& table = writer.table;
  gpkg.contents.push_back({table.name, table.description, table.features, writer.geometries > 0,
                           writer.minX, writer.minY, writer.maxX, writer.maxY, table.srsId});
  if (table.features) gpkg.geometryColumns.push_back({table.name, type, table.srsId, z});
  std::vector<std::string> used;
  for (size_t i = 0; i < table.descriptions.size(); ++i) {
    const std::string& column = table.columns[i].name;
    const std::string constraint = table.codes[i].empty() ? "" : table.name + "_" + column;
    const std::string& description = table.descriptions[i];
    gpkg.dataColumns.push_back({table.name, column,
                                description.empty() ? "" : uniqueDescription(used, description),
                                constraint});
    for (const CodedValue& code : table.codes[i])
      gpkg.constraints.push_back({constraint, code.value, code.description});
  }
}

}  // namespace

void beginLayer(LayerWriter& writer, GeoPackage& gpkg, LayerTable table) {
  writer.gpkg = &gpkg;
  writer.table = std::move(table);
  writer.typesSeen = 0;
  writer.geometries = writer.withHeights = 0;
  writer.rows = 0;
  writer.boxes.clear();
  sqlite3* db = gpkg.db;
  makeScratchTable(db, writer.table);
  std::string columns = "fid, geom", values = "?, ?";
  for (size_t k = 1; k <= writer.table.columns.size(); ++k) {
    columns += ", c" + std::to_string(k);
    values += ", ?";
  }
  writer.addRow = prepareSql(
      db, std::string("INSERT INTO ") + kScratch + " (" + columns + ") VALUES (" + values + ")");
  sqlite3_create_function(db, "quorl_multi", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                          multiFunction, nullptr, nullptr);
}

void bindRowGeometry(LayerWriter& writer, int64_t fid, const Shape* shape) {
  sqlite3_stmt* row = writer.addRow;
  bindInteger(row, 1, fid);
  if (shape == nullptr || shape->kind == SHAPE_NONE) {
    bindNull(row, 2);
    return;
  }
  writer.blob.used = 0;
  const BlobFacts facts = putGeometryBlob(writer.blob, *shape, writer.table.srsId);
  bindBlob(row, 2, writer.blob.data, writer.blob.used);
  writer.typesSeen |= 1u << facts.type;
  if (facts.hasZ) ++writer.withHeights;
  ++writer.drawn;
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
  writer.boxes.push_back({fid, indexBox(facts.minX, facts.maxX, facts.minY, facts.maxY)});
}

void addLayerRow(LayerWriter& writer) {
  stepSql(writer.addRow);
  ++writer.rows;
}

void endLayer(LayerWriter& writer) {
  sqlite3* db = writer.gpkg->db;
  const LayerTable& table = writer.table;
  finishSql(writer.addRow);
  writer.addRow = nullptr;
  bool multi = false;
  const std::string type = table.features ? geometryTypeName(writer, multi) : "";
  std::string create =
      "CREATE TABLE " + quotedName(table.name) + " (\"fid\" INTEGER PRIMARY KEY AUTOINCREMENT";
  if (table.features) create += ", \"geom\" " + type;
  for (const LayerColumn& column : table.columns)
    create += ", " + quotedName(column.name) + " " + column.type;
  runSql(db, create + ")");
  // The rows as they are stored, or with single geometries made multi.
  std::string select = "*";
  if (multi || !table.features) {
    select = multi ? "fid, quorl_multi(geom)" : "fid";
    for (size_t k = 1; k <= table.columns.size(); ++k) select += ", c" + std::to_string(k);
  }
  runSql(db,
         "INSERT INTO main." + quotedName(table.name) + " SELECT " + select + " FROM " + kScratch);
  runSql(db, std::string("DROP TABLE ") + kScratch);
  int z = 0;
  if (table.features) {
    runSql(db, "CREATE VIRTUAL TABLE " + quotedName(indexName(writer)) +
                   " USING rtree(id, minx, maxx, miny, maxy)");
    buildSpatialIndex(db, indexName(writer), writer.boxes);
    addIndexTriggers(table.name, writer.gpkg->triggers);
    z = writer.withHeights == 0 ? 0 : writer.withHeights == writer.drawn ? 1 : 2;
  }
  addLayerRows(writer, type, z);
}
