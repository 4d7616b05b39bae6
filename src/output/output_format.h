// What a run writes: the text dump, or the table's data as one of the JSON
// outputs, or a database's feature tables as a GeoPackage.
#pragma once

enum OutputFormat { FORMAT_DCW, FORMAT_JSON, FORMAT_JSONL, FORMAT_GEOJSON, FORMAT_GPKG };
