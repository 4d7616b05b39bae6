#include "main/geopackage_layer.h"

#include "files/directory_entries.h"
#include "files/entry_names.h"
#include "files/output_file.h"
#include "gpkg/column_descriptions.h"
#include "gpkg/database.h"
#include "gpkg/layer_writer.h"
#include "gpkg/row_values.h"
#include "header/column_keys.h"
#include "layers/table_rows.h"
#include "run/run_control.h"

namespace {

// The layer's description: its feature class's in the coverage's fca, else
// the table's own. The class is what the schema's first row naming the
// table says, else the table's name less its extension.
std::string layerDescription(const Table& table, const std::vector<SchemaRow>& schema,
                             const std::string& coverage, const std::string& tableName) {
  std::string featureClass = tableName.substr(0, tableName.size() - 4);
  for (const SchemaRow& row : schema)
    if (sameNameIgnoringCase(row.table1.c_str(), tableName.c_str())) {
      if (!row.featureClass.empty()) featureClass = row.featureClass;
      break;
    }
  std::string description;
  if (featureClassDescription(coverage, featureClass, description)) return description;
  return utf8Text(trimSpaces(table.header.description));
}

const char* emptyGeometryType(FeatureKind kind) {
  switch (kind) {
    case POINT_FEATURES: return "POINT";
    case LINE_FEATURES: return "LINESTRING";
    case AREA_FEATURES: return "POLYGON";
    default: return "GEOMETRY";
  }
}

// What the layer's table is: its columns, their descriptions and codes.
LayerTable describeLayer(const Table& table, const FeatureLayer& layer, const LayerPath& path,
                         const char* stringKey, int32_t srsId) {
  LayerTable described;
  described.name = path.name;
  described.features = path.kind != COMPLEX_FEATURES;
  described.emptyType = emptyGeometryType(path.kind);
  described.srsId = srsId;
  described.columns = layerColumns(table, described.features, stringKey);
  described.description = layerDescription(table, layer.schema, layer.coverage, layer.tableName);
  ValueTables valueTables;
  valueTables.coverage = layer.coverage;
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    described.descriptions.push_back(utf8Text(trimSpaces(table.header.column[i].description)));
    described.codes.push_back(columnCodes(valueTables, table, i, layer.tableName));
  }
  return described;
}

}  // namespace

LayerOutcome writeGeoPackageLayer(GeoPackage& gpkg, const LayerPath& path, int32_t srsId) {
  LayerOutcome outcome;
  TableHandle handle = openWholeTable(path.table, outcome.leftOut);
  if (handle == nullptr) return outcome;
  Table& table = *handle;
  makeColumnKeys(table);
  FeatureLayer layer;
  if (path.kind == COMPLEX_FEATURES) {
    // Complex features have no geometry of their own: only their class.
    layer.tableName = lastPathPart(path.table);
    layer.coverage = folderOf(path.table);
    readFeatureSchema(layer.coverage, layer.schema);
  } else {
    outcome.leftOut = openFeatureLayer(layer, path.table.c_str(), table);
    if (!outcome.leftOut.empty()) return outcome;
  }
  char stringKey[MAX_KEY];
  const bool texts = path.kind == TEXT_FEATURES;
  if (texts) nextColumnKey(table, "string", stringKey);

  LayerWriter writer;
  beginLayer(writer, gpkg, describeLayer(table, layer, path, texts ? stringKey : nullptr, srsId));
  RowValues row;
  row.statement = writer.addRow;
  int64_t keys[2];
  const int keyColumn[2] = {layer.keyColumn, layer.tileColumn};
  const std::vector<ValueColumn> columns =
      planRowValues(table, row, FIRST_COLUMN_PARAMETER, keyColumn, 2, keys);
  const int stringParameter = FIRST_COLUMN_PARAMETER + table.columns.columnTotal;
  const bool drawn = writer.table.features;
  Shape shape;
  std::string text, cause;
  TableStream& stream = table.stream;
  // A row that takes no byte is no row: then the data holds none.
  const bool rows = rowsTakeBytes(table);
  for (int64_t fid = 1; rows && !atEndOfData(stream); ++fid) {
    if (stopRequested()) stoppedExit();
    keys[0] = keys[1] = NULL_KEY;
    if (!readRowValues(stream, row, columns)) {
      outcome.cutRow = fid;
      break;
    }
    const Shape* geometry = nullptr;
    if (drawn) {
      if (drawFeature(layer, keys, shape, text, cause)) {
        geometry = &shape;
      } else if (outcome.missing++ == 0) {
        outcome.firstMissingRow = fid;
        outcome.firstCause = cause;
      }
    }
    bindRowGeometry(writer, fid, geometry);
    if (texts) {
      if (geometry != nullptr)
        holdText(row, stringParameter, text.data(), text.size(), false);
      else
        bindNull(row.statement, stringParameter);
    }
    bindRowTexts(row);
    addLayerRow(writer);
  }
  outcome.features = writer.rows;
  if (readFailed(stream)) {
    outcome.readFailed = true;
    outcome.cutRow = 0;
  }
  endLayer(writer);
  return outcome;
}
