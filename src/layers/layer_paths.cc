#include "layers/layer_paths.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "files/directory_entries.h"
#include "files/entry_names.h"

namespace {

// A name as a layer name's part: lower case, every byte but a-z, 0-9 and
// '_' made '_'.
std::string namePart(const std::string& name) {
  std::string part = lowerCaseName(name);
  for (char& c : part)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) c = '_';
  return part;
}

// The entries of the folder at dir, without "." and "..", in the order of
// their lower-cased names (then their own bytes).
std::vector<std::string> sortedEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (std::string& name : folderEntries(dir))
    if (name != "." && name != "..") names.push_back(std::move(name));
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = lowerCaseName(a), lb = lowerCaseName(b);
    return la != lb ? la < lb : a < b;
  });
  return names;
}

bool holds(const std::string& dir, const char* name) { return !findEntry(dir, name).empty(); }

// The subfolders of dir that hold an entry named marker.
std::vector<std::string> subfoldersHolding(const std::string& dir, const char* marker) {
  std::vector<std::string> found;
  for (const std::string& name : sortedEntries(dir)) {
    const std::string sub = joinPath(dir, name);
    if (entryKind(sub) == FOLDER_ENTRY && holds(sub, marker)) found.push_back(sub);
  }
  return found;
}

// A feature table of one coverage, and the parts of its layer's name.
struct CoverageTable {
  std::string path, base, extension;
  FeatureKind kind;
};

// The coverage's feature tables, named prefix + coverage + '_' + table; two
// tables of the coverage that would share a name both get their extension.
void addCoverage(const std::string& coverage, const std::string& prefix, const std::string& library,
                 std::vector<LayerPath>& layers) {
  std::vector<CoverageTable> tables;
  const std::string coveragePart = namePart(folderName(coverage));
  for (const std::string& name : sortedEntries(coverage)) {
    const std::string path = joinPath(coverage, name);
    const FeatureKind kind = featureKind(name.c_str());
    if (kind == NO_FEATURES || entryKind(path) != FILE_ENTRY) continue;
    const size_t dot = name.size() - 4;
    tables.push_back({path, prefix + coveragePart + "_" + namePart(name.substr(0, dot)),
                      namePart(name.substr(dot + 1)), kind});
  }
  for (const CoverageTable& table : tables) {
    const bool shared = std::count_if(tables.begin(), tables.end(), [&](const CoverageTable& t) {
                          return t.base == table.base;
                        }) > 1;
    layers.push_back({table.path, shared ? table.base + "_" + table.extension : table.base, library,
                      table.kind});
  }
}

void addLibrary(const std::string& library, const std::string& prefix,
                std::vector<LayerPath>& layers) {
  for (const std::string& coverage : subfoldersHolding(library, "fcs"))
    addCoverage(coverage, prefix, library, layers);
}

// Every name unique (SQLite compares table names ignoring case; these are
// lower case already) and clear of the names SQLite and the GeoPackage
// keep for their own tables.
void makeNamesUnique(std::vector<LayerPath>& layers) {
  std::set<std::string> used;
  for (LayerPath& layer : layers) {
    for (const char* kept : {"gpkg_", "rtree_", "sqlite_"})
      if (layer.name.compare(0, std::char_traits<char>::length(kept), kept) == 0) {
        layer.name = "_" + layer.name;
        break;
      }
    std::string name = layer.name;
    for (int n = 2; used.count(name) > 0; ++n) name = layer.name + "_" + std::to_string(n);
    layer.name = name;
    used.insert(name);
  }
}

}  // namespace

PathKind findLayerPaths(const std::string& typed, std::vector<LayerPath>& layers) {
  layers.clear();
  // A folder typed with separators at its end is the folder.
  std::string path = typed;
  while (path.size() > 1 && isPathSeparator(path.back())) path.pop_back();
  std::string folder = path;
  switch (entryKind(path)) {
    case NO_ENTRY: return PATH_MISSING;
    case FOLDER_ENTRY: break;
    case FILE_ENTRY: {
      const std::string name = lastPathPart(path);
      const FeatureKind kind = featureKind(name.c_str());
      if (kind != NO_FEATURES) {
        const std::string coverage = folderOf(path);
        const std::string base = name.substr(0, name.size() - 4);
        layers.push_back({path, namePart(folderName(coverage)) + "_" + namePart(base),
                          parentOf(coverage), kind});
        makeNamesUnique(layers);
        return PATH_LAYERS;
      }
      const char* n = name.c_str();
      if (!sameNameIgnoringCase(n, "dht") && !sameNameIgnoringCase(n, "lht") &&
          !sameNameIgnoringCase(n, "fcs"))
        return PATH_NOT_VPF;
      folder = folderOf(path);
      break;
    }
  }
  if (holds(folder, "dht")) {
    const std::vector<std::string> libraries = subfoldersHolding(folder, "lht");
    for (const std::string& library : libraries)
      addLibrary(library, libraries.size() > 1 ? namePart(folderName(library)) + "_" : "", layers);
  } else if (holds(folder, "lht")) {
    addLibrary(folder, "", layers);
  } else if (holds(folder, "fcs")) {
    addCoverage(folder, "", parentOf(folder), layers);
  } else {
    return PATH_NOT_VPF;
  }
  makeNamesUnique(layers);
  return PATH_LAYERS;
}
