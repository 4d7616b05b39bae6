// What a run writes on standard output: the text dump, or the table's data
// as one of the JSON outputs.
#pragma once

enum OutputFormat { FORMAT_DCW, FORMAT_JSON, FORMAT_JSONL, FORMAT_GEOJSON };
