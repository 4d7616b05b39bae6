// A strict check of JSON text (RFC 8259), for the fuzz harness: the JSON
// outputs must parse whatever the table, whenever they were written in
// full.
#pragma once

#include <cstdint>
#include <string>

// True when text is one JSON value, with nothing but white space around it,
// and every string in it is valid UTF-8.
bool isJsonDocument(const std::string& text);

// True when text is JSON lines: each line, ended by LF, one JSON value.
// Empty text is no lines at all.
bool isJsonLines(const std::string& text);

// The features of a -o geojson document, which writes one a line: how
// many, how many have a null geometry, and the id of the first of those
// (0 for none).
struct GeoJsonFeatures {
  int64_t count = 0;
  int64_t nulls = 0;
  int64_t firstNull = 0;
};
GeoJsonFeatures countGeoJsonFeatures(const std::string& text);
