// A strict reader of the geometry blobs a GeoPackage holds, written from the
// GeoPackage and well-known binary formats, not from the tool's writer: the
// "GP" header (version 0, little-endian, no extended type), the envelope,
// then ISO well-known binary, every (sub)geometry little-endian, in 2-D or
// with heights (+1000) throughout. The header must say what the geometry
// is: the empty flag exactly where it holds no position, an envelope of
// its positions' x and y exactly where it is neither empty nor a point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct BlobReading {
  std::string problem;  // empty when the blob is sound
  uint32_t type = 0;    // the top geometry's type, without the 1000 of heights
  bool hasZ = false;
  bool empty = true;                              // no position at all
  double minX = 0, maxX = 0, minY = 0, maxY = 0;  // of the positions, where not empty
};

// Reads the blob of n bytes; srsId is the spatial reference its layer has.
BlobReading readGeometryBlob(const unsigned char* blob, size_t n, int32_t srsId);
