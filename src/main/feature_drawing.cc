#include "main/feature_drawing.h"

#include <cinttypes>
#include <cstdio>

#include "header/column_keys.h"
#include "json/json_text.h"
#include "run/run_control.h"

namespace {

// The geometry source's drawing of one feature: its geometry, or null (and
// counted) where it cannot be drawn, and a text feature's string property.
void drawLayerFeature(void* context, int64_t row, const int64_t* keys, HeldText& geometry,
                      HeldText& properties) {
  LayerDrawing& drawing = *static_cast<LayerDrawing*>(context);
  const bool drawn = drawFeature(drawing.layer, keys, drawing.shape, drawing.text, drawing.cause);
  putShapeText(geometry, drawing.shape);
  if (!drawn && drawing.missing++ == 0) {
    drawing.firstMissingRow = row;
    drawing.firstCause = drawing.cause;
  }
  if (drawing.layer.kind != TEXT_FEATURES) return;
  // The first property's key text opens the properties' object.
  putHeldChar(properties, properties.used == 0 ? '{' : ',');
  putJsonString(properties, drawing.stringKey);
  putHeldChar(properties, ':');
  if (!drawn) {
    putHeld(properties, "null", 4);
    return;
  }
  const std::string& text = drawing.text;
  char* p = beginHeld(properties, 6 * text.size() + 2);
  *p++ = '"';
  p = escapeJsonChars(p, reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  *p++ = '"';
  endHeld(properties, p);
}

}  // namespace

const GeometrySource* openLayerDrawing(LayerDrawing& drawing, const char* path,
                                       const Table& table) {
  const FeatureKind kind = featureKind(path);
  if (kind == NO_FEATURES || kind == COMPLEX_FEATURES) return nullptr;
  const std::string failure = openFeatureLayer(drawing.layer, path, table);
  if (!failure.empty()) layerFailedExit(failure);
  nextColumnKey(table, "string", drawing.stringKey);
  GeometrySource& source = drawing.source;
  source.keyColumn[0] = drawing.layer.keyColumn;
  source.keyColumn[1] = drawing.layer.tileColumn;
  source.keyColumns = 2;
  source.draw = drawLayerFeature;
  source.context = &drawing;
  return &source;
}

bool reportMissingGeometry(const LayerDrawing& drawing) {
  if (drawing.missing == 0) return false;
  std::fprintf(stderr, "%" PRId64 " feature%s no geometry; the first, row %" PRId64 ": ",
               drawing.missing, drawing.missing == 1 ? " has" : "s have", drawing.firstMissingRow);
  writeMessageLine(drawing.firstCause);
  return true;
}
