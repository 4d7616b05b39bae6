#include "layers/feature_layer.h"

#include <algorithm>
#include <cmath>

#include "files/directory_entries.h"

namespace {

std::string number(int64_t value) { return std::to_string(value); }

// Why a key cannot name a primitive (null, 0 or negative), or "".
std::string badKey(const std::string& column, int64_t key) {
  if (key == NULL_KEY) return column + " is null";
  if (key <= 0) return column + " is " + number(key);
  return "";
}

// The folder of a tile: its name split at '/' and '\', each part found as
// one entry going down from the coverage. Empty parts are passed over; a
// part "." or ".." would lead out of the coverage. "" with the cause where
// there is none.
std::string findTileFolder(const std::string& coverage, const std::string& name,
                           std::string& cause) {
  std::vector<std::string> parts;
  for (size_t begin = 0; begin <= name.size();) {
    size_t end = name.find_first_of("/\\", begin);
    if (end == std::string::npos) end = name.size();
    if (end > begin) parts.push_back(name.substr(begin, end - begin));
    begin = end + 1;
  }
  for (const std::string& part : parts)
    if (part == "." || part == "..") {
      cause = "tile " + name + " leads out of the coverage";
      return "";
    }
  std::string dir = coverage;
  for (const std::string& part : parts) {
    const std::string entry = findEntry(dir, part);
    if (entry.empty()) break;
    dir = joinPath(dir, entry);
    if (&part == &parts.back()) return dir;
  }
  cause = "can't open tile " + name;
  return "";
}

// The tile a primitive lies in: the coverage's own folder where the keys
// carry no tile id, else the tile the tile reference names for it.
Tile* tileFor(FeatureLayer& layer, bool tiled, int64_t tileId, std::string& cause) {
  if (!tiled) {
    if (layer.coverageTile == nullptr) {
      layer.coverageTile.reset(new Tile());
      layer.coverageTile->dir = layer.coverage;
    }
    return layer.coverageTile.get();
  }
  if (tileId == NULL_KEY) {
    cause = "tile_id is null";
    return nullptr;
  }
  const auto known = layer.tileIds.find(tileId);
  if (known != layer.tileIds.end()) {
    cause = known->second.second;
    return known->second.first;
  }
  Tile* tile = nullptr;
  const auto named =
      std::find_if(layer.tileNames.begin(), layer.tileNames.end(),
                   [&](const std::pair<int64_t, std::string>& t) { return t.first == tileId; });
  if (named == layer.tileNames.end()) {
    cause = "tile_id " + number(tileId) + " has no row in tileref.aft";
  } else {
    const std::string dir = findTileFolder(layer.coverage, named->second, cause);
    if (!dir.empty()) {
      std::unique_ptr<Tile>& folder = layer.tileFolders[dir];
      if (folder == nullptr) {
        folder.reset(new Tile());
        folder->dir = dir;
        folder->where = " in tile " + named->second;
      }
      tile = folder.get();
    }
  }
  layer.tileIds[tileId] = {tile, cause};
  return tile;
}

// Reads the tile's tables the layer's features are drawn from, once.
const std::string& readTileTables(const FeatureLayer& layer, Tile& tile) {
  if (tile.read) return tile.tableFailure;
  tile.read = true;
  std::string& failure = tile.tableFailure;
  switch (layer.kind) {
    case POINT_FEATURES:
      failure = loadNodes(tile.dir, layer.primitive, tile.where, false, tile.nodes);
      break;
    case TEXT_FEATURES:
      failure = loadNodes(tile.dir, layer.primitive, tile.where, true, tile.nodes);
      break;
    case LINE_FEATURES:
      failure = loadEdges(tile.dir, layer.primitive, tile.where, false, tile.edges);
      break;
    case AREA_FEATURES:
      failure = loadFaces(tile.dir, layer.primitive, tile.where, tile.areas.faces);
      if (failure.empty()) failure = loadRings(tile.dir, tile.where, tile.areas.rings);
      if (failure.empty()) failure = loadEdges(tile.dir, "edg", tile.where, true, tile.areas.edges);
      break;
    default: break;
  }
  return failure;
}

const std::vector<int32_t>& primitiveIds(const FeatureLayer& layer, const Tile& tile) {
  switch (layer.kind) {
    case LINE_FEATURES: return tile.edges.id;
    case AREA_FEATURES: return tile.areas.faces.id;
    default: return tile.nodes.id;
  }
}

// The feature's primitives, each in its tile with a row of its own, in
// join order; "" or the first cause that stops one.
std::string findPrimitives(FeatureLayer& layer, const int64_t* keys) {
  layer.refs.clear();
  if (layer.keyColumn < 0) return layer.tableName + " has no column " + layer.keyName;
  const int64_t key = keys[0];
  std::string cause = badKey(layer.keyName, key);
  if (!cause.empty()) return cause;
  // The primitive ids with their tile ids, as the feature or its join rows
  // hold them.
  const JoinRow direct{key, keys[1], key};
  const JoinRow* first;
  const JoinRow* end;
  bool tiled;
  if (layer.joinTable.empty()) {
    first = &direct;
    end = first + 1;
    tiled = layer.tileColumn >= 0;
  } else {
    if (!layer.joinFailure.empty()) return layer.joinFailure;
    const auto range =
        std::equal_range(layer.joinRows.begin(), layer.joinRows.end(), JoinRow{key, 0, 0},
                         [](const JoinRow& a, const JoinRow& b) { return a.key < b.key; });
    if (range.first == range.second)
      return layer.joinTable + " has no row with " + layer.joinKeyName + " " + number(key);
    first = &*range.first;
    end = first + (range.second - range.first);
    tiled = layer.joinHasTiles;
  }
  for (const JoinRow* row = first; row != end; ++row) {
    if (!layer.joinTable.empty()) {
      cause = badKey(layer.joinPrimitiveName, row->primitive);
      if (!cause.empty()) return cause;
    }
    Tile* tile = tileFor(layer, tiled, row->tile, cause);
    if (tile == nullptr) return cause;
    if (layer.kind == AREA_FEATURES && row->primitive == 1) return "fac 1 is the universe face";
    cause = readTileTables(layer, *tile);
    if (!cause.empty()) return cause;
    if (!hasRow(primitiveIds(layer, *tile), row->primitive))
      return layer.primitive + " " + number(row->primitive) + " has no row" + tile->where;
    layer.refs.push_back({tile, static_cast<int32_t>(row->primitive)});
  }
  return "";
}

// Appends count positions of row id of column as a part of shape; false,
// with the cause, where one of them has no finite x or y.
bool addPart(Shape& shape, const PositionColumn& column, int32_t id, size_t count,
             const std::string& name, const std::string& where, std::string& cause) {
  const size_t first = column.rowStart[id - 1];
  double* out = positionRoom(shape, count);
  for (size_t i = first; i < first + count; ++i, out += 3) {
    out[0] = positionComponent(column, i, 0);
    out[1] = positionComponent(column, i, 1);
    out[2] = column.dims == 3 ? positionComponent(column, i, 2) : 0;
    if (!std::isfinite(out[0]) || !std::isfinite(out[1])) {
      cause = name + " " + number(id) + " has a position that is not a number" + where;
      return false;
    }
  }
  shape.parts.push_back({shape.positions, count, column.single, column.dims == 3, false});
  shape.positions += count;
  return true;
}

size_t positionCount(const PositionColumn& column, int32_t id) {
  return column.rowStart[id] - column.rowStart[id - 1];
}

// Points, lines and texts: a part a primitive, in join order.
std::string drawParts(FeatureLayer& layer, Shape& shape, std::string& text) {
  std::string cause;
  bool points = true, lines = true;
  for (const PrimitiveRef& ref : layer.refs) {
    const Tile& tile = *ref.tile;
    const bool edges = layer.kind == LINE_FEATURES;
    const PositionColumn& column = edges ? tile.edges.positions : tile.nodes.positions;
    size_t count = positionCount(column, ref.id);
    if (count < (edges ? 2u : 1u))
      return layer.primitive + " " + number(ref.id) +
             (edges ? " has fewer than two positions" : " has no position") + tile.where;
    if (layer.kind == POINT_FEATURES) count = 1;
    if (!addPart(shape, column, ref.id, count, layer.primitive, tile.where, cause)) return cause;
    points = points && count == 1;
    lines = lines && count > 1;
    if (layer.kind == TEXT_FEATURES && &ref == &layer.refs.front()) {
      const std::vector<size_t>& start = tile.nodes.stringStart;
      text.assign(tile.nodes.strings, start[ref.id - 1], start[ref.id] - start[ref.id - 1]);
    }
  }
  if (layer.refs.size() == 1)
    shape.kind = points ? SHAPE_POINT : SHAPE_LINE;
  else
    shape.kind = points ? SHAPE_MULTIPOINT : lines ? SHAPE_MULTILINE : SHAPE_COLLECTION;
  return "";
}

// Areas: the feature's faces, each once, grouped by tile in the order the
// tiles first appear; each tile's faces drawn as one face or their union.
std::string drawAreas(FeatureLayer& layer, Shape& shape) {
  std::vector<PrimitiveRef>& refs = layer.refs;
  for (size_t i = 0; i < refs.size(); ++i) {
    Tile* tile = refs[i].tile;
    if (tile == nullptr) continue;
    layer.faces.clear();
    for (size_t j = i; j < refs.size(); ++j) {
      if (refs[j].tile != tile) continue;
      if (std::find(layer.faces.begin(), layer.faces.end(), refs[j].id) == layer.faces.end())
        layer.faces.push_back(refs[j].id);
      refs[j].tile = nullptr;  // taken
    }
    const std::string cause = drawFaces(tile->areas, layer.faces, tile->where, shape);
    if (!cause.empty()) return cause;
  }
  shape.kind = SHAPE_POLYGONS;
  return "";
}

}  // namespace

bool drawFeature(FeatureLayer& layer, const int64_t* keys, Shape& shape, std::string& text,
                 std::string& cause) {
  clearShape(shape);
  text.clear();
  cause = findPrimitives(layer, keys);
  if (cause.empty())
    cause = layer.kind == AREA_FEATURES ? drawAreas(layer, shape) : drawParts(layer, shape, text);
  if (cause.empty()) return true;
  clearShape(shape);
  return false;
}
