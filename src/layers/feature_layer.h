// Feature layers: a feature table holds no coordinates; each feature's
// geometry is drawn from the primitives of its coverage (nodes, edges,
// faces, texts), which the coverage's feature class schema (fcs) joins to
// it, directly or through a join table, in the tiles the library's tile
// reference names.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "header/table_header.h"
#include "json/shape_text.h"
#include "layers/area_shapes.h"
#include "layers/primitives.h"

// What a table is by the end of its file name (any case): a feature table
// of points (.pft), lines (.lft), areas (.aft), texts (.tft) or complex
// features (.cft), or none.
enum FeatureKind {
  NO_FEATURES,
  POINT_FEATURES,
  LINE_FEATURES,
  AREA_FEATURES,
  TEXT_FEATURES,
  COMPLEX_FEATURES
};
FeatureKind featureKind(const char* path);

// One row of a join table: the feature's key, the tile and the primitive.
struct JoinRow {
  int64_t key;
  int64_t tile;
  int64_t primitive;
};

// The primitives of one tile (or of the coverage's own folder), read as the
// features first need them; where a table cannot be read, why.
struct Tile {
  std::string dir;    // its folder
  std::string where;  // " in tile NAME", or nothing for the coverage's folder
  bool read = false;  // its tables have been read (or tried)
  std::string tableFailure;
  NodeTable nodes;   // points and texts
  EdgeTable edges;   // lines
  AreaTables areas;  // areas
};

// One row of a coverage's feature class schema (fcs), each name trimmed:
// the feature class, and the two tables it joins by their key columns.
struct SchemaRow {
  std::string featureClass, table1, table1Key, table2, table2Key;
};

// Every complete row of the coverage's schema, or why it cannot be read
// (as a layer's failure says it).
std::string readFeatureSchema(const std::string& coverage, std::vector<SchemaRow>& rows);

// One primitive a feature is drawn from.
struct PrimitiveRef {
  Tile* tile;
  int32_t id;
};

struct FeatureLayer {
  FeatureKind kind = NO_FEATURES;
  std::string tableName;          // the feature table's file name, as typed
  std::string coverage;           // its folder, as typed
  std::string library;            // the coverage's parent
  std::vector<SchemaRow> schema;  // the coverage's fcs
  // The join: the primitive table as the schema names it, the feature
  // table's key column (and tile column), and for a join table its name,
  // columns and rows (by key, in row order), or why it cannot be read.
  std::string primitive;
  std::string keyName;
  int keyColumn = -1;
  int tileColumn = -1;
  std::string joinTable;
  std::string joinKeyName, joinPrimitiveName;
  bool joinHasTiles = false;
  std::string joinFailure;
  std::vector<JoinRow> joinRows;
  // The tile reference: tile ids and names, where the keys carry tile ids;
  // each id's tile once looked for (or why it has none), and the tiles by
  // folder, each read once however many ids and names lead to it.
  std::vector<std::pair<int64_t, std::string>> tileNames;
  std::map<int64_t, std::pair<Tile*, std::string>> tileIds;
  std::map<std::string, std::unique_ptr<Tile>> tileFolders;
  std::unique_ptr<Tile> coverageTile;
  // Working memory of each feature.
  std::vector<PrimitiveRef> refs;
  std::vector<int32_t> faces;
};

// Reads what every feature of the feature table at path (whose header has
// been read) needs: the coverage's schema and the join it gives, the join
// table, and where the keys carry tile ids, the tile reference. Returns ""
// when the layer can be drawn, else why none of it can: a schema or tile
// reference that cannot be read, or a schema without a geometry join for
// the table. Not for complex features.
std::string openFeatureLayer(FeatureLayer& layer, const char* path, const Table& features);

// Draws the feature whose key columns held keys (keys[0] the join's key,
// keys[1] the tile id where the feature table has one) into shape; a text
// feature also gets its text's string in text. False, with the cause, when
// the geometry cannot be drawn.
bool drawFeature(FeatureLayer& layer, const int64_t* keys, Shape& shape, std::string& text,
                 std::string& cause);
