// gen_table.cc - deterministic, streaming generator of large valid VPF table files.
// Usage: gen_table KIND MEGABYTES SEED OUTFILE
//   KIND: edge | text | mixed-le | mixed-be
// Writes whole rows until the file holds at least MEGABYTES*1e6 bytes, then prints
// "rows=N fields=M bytes=B" (fields = values as a dumper would write them).
// Only the raw std::mt19937_64 output is used, so the bytes are the same on every
// platform and standard library.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_random.h"

namespace {

// Buffered file writer; encodes numbers in the table byte order by explicit shifts.
class Out {
 public:
  Out(FILE* f, bool big) : f_(f), big_(big), buf_(kCap) {}

  // Writes the low n bytes of v in table byte order.
  void uint(uint64_t v, int n) {
    if (len_ + n > kCap) flush();
    for (int i = 0; i < n; ++i)
      buf_[len_++] = static_cast<char>(v >> (big_ ? 8 * (n - 1 - i) : 8 * i));
    total_ += n;
  }
  void i16(int v) { uint(static_cast<uint16_t>(v), 2); }
  void i32(int64_t v) { uint(static_cast<uint32_t>(v), 4); }
  // Floats: take the IEEE bit pattern as an integer, then shift it out.
  void f32(double v) {
    float f = static_cast<float>(v);
    uint32_t u;
    std::memcpy(&u, &f, 4);
    uint(u, 4);
  }
  void f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    uint(u, 8);
  }
  // Raw bytes (text), no byte-order handling.
  void raw(const std::string& s) {
    for (char c : s) uint(static_cast<unsigned char>(c), 1);
  }
  // Empties the buffer to the file; exits on a write error.
  void flush() {
    if (len_ && std::fwrite(buf_.data(), 1, len_, f_) != len_) {
      std::perror("write");
      std::exit(1);
    }
    len_ = 0;
  }
  uint64_t bytes() const { return total_; }

 private:
  static constexpr size_t kCap = 1 << 22;
  FILE* f_;
  bool big_;
  std::vector<char> buf_;
  size_t len_ = 0;
  uint64_t total_ = 0;
};

struct Col {
  const char* name;
  char type;
  int count;
  char key;
  const char* desc;
};  // count -1 = '*'

// Builds the header text (everything after the 4-byte length).
std::string header(bool big, const char* desc, const char* narr, const std::vector<Col>& cols) {
  std::string h = std::string(big ? "M" : "L") + ";" + desc + ";" + narr + ";";
  for (const Col& c : cols)
    h += std::string(c.name) + "=" + c.type + "," +
         (c.count < 0 ? std::string("*") : std::to_string(c.count)) + "," + c.key + "," + c.desc +
         ",-,-,:";
  return h + ";";
}

// Writes typed values and counts them as the dumper will print them.
struct Gen {
  Out& o;
  Rng& r;
  uint64_t fields = 0;

  void I(int64_t v) {
    o.i32(v);
    ++fields;
  }
  void S(int v) {
    o.i16(v);
    ++fields;
  }
  void R(double v) {
    o.f64(v);
    ++fields;
  }
  void F(double v) {
    o.f32(v);
    ++fields;
  }
  void count(int n) { o.i32(n); }
  // Fixed-length text, space padded (or cut) to len bytes.
  void Tfix(std::string s, size_t len) {
    s.resize(len, ' ');
    o.raw(s);
    ++fields;
  }
  // Variable-length text: int32 byte count then bytes.
  void Tvar(const std::string& s) {
    o.i32(static_cast<int64_t>(s.size()));
    o.raw(s);
    ++fields;
  }
  void X() { ++fields; }
  // Random date "YYYYMMDDhhmmss.00000" (20 bytes).
  void D() {
    char b[32];
    std::snprintf(b, sizeof b, "%04d%02d%02d%02d%02d%02d.00000", int(r.in(1990, 2026)),
                  int(r.in(1, 12)), int(r.in(1, 28)), int(r.in(0, 23)), int(r.in(0, 59)),
                  int(r.in(0, 59)));
    o.raw(b);
    ++fields;
  }
  // One component of a triplet id, size code 0..3.
  void kpart(int code, int64_t v) {
    if (code == 1)
      o.uint(static_cast<uint64_t>(v), 1);
    else if (code == 2)
      o.i16(static_cast<int>(v));
    else if (code == 3)
      o.i32(v);
  }
  // Random value that fits a triplet component of the given size code.
  int64_t kval(int code, int64_t big) {
    return code == 1 ? r.in(1, 255) : code == 2 ? r.in(256, 32767) : r.in(32768, 32768 + big);
  }
  // Triplet id with a realistic mix of type bytes; near = typical int32 magnitude.
  void K(int64_t near) {
    static const uint8_t types[] = {0x40, 0x40, 0x40, 0x80, 0x80, 0x80, 0x80, 0xC0, 0xC0,
                                    0xC0, 0xD0, 0xE0, 0x00, 0x44, 0x88, 0xCC, 0x90, 0x60};
    uint8_t t = types[r.in(0, sizeof types - 1)];
    o.uint(t, 1);
    for (int sh = 6; sh >= 2; sh -= 2) {
      int code = (t >> sh) & 3;
      kpart(code, kval(code, near));
    }
    ++fields;
  }
};

// A wandering lon/lat position.
struct Walk {
  double x, y;
  // Moves by a small step, staying inside the box lon -75..-70, lat 35..40.
  void step(Rng& r, double s) {
    x += r.real(-s, s);
    y += r.real(-s, s);
    x = std::clamp(x, -75.0, -70.0);
    y = std::clamp(y, 35.0, 40.0);
  }
};

const std::vector<Col> kEdge = {
    {"id", 'I', 1, 'P', "Row Identifier"},   {"start_node", 'I', 1, 'N', "Start Node"},
    {"end_node", 'I', 1, 'N', "End Node"},   {"right_face", 'K', 1, 'N', "Right Face"},
    {"left_face", 'K', 1, 'N', "Left Face"}, {"right_edge", 'K', 1, 'N', "Right Edge"},
    {"left_edge", 'K', 1, 'N', "Left Edge"}, {"coordinates", 'C', -1, 'N', "Coordinates"}};

// One edge primitive row.
void edgeRow(Gen& g, int64_t id) {
  Rng& r = g.r;
  g.I(id);
  g.I(r.in(1, id / 2 + 50));
  g.I(r.in(1, id / 2 + 50));
  for (int k = 0; k < 4; ++k) g.K(id + 1000);
  int n = static_cast<int>(r.in(2, 60));
  g.count(n);
  Walk w{r.real(-75, -70), r.real(35, 40)};
  for (int i = 0; i < n; ++i) {
    g.o.f32(w.x);
    g.o.f32(w.y);
    ++g.fields;
    w.step(r, 0.004);
  }
  ++g.fields;  // count line
}

const std::vector<Col> kText = {{"id", 'I', 1, 'P', "Row Identifier"},
                                {"name", 'T', 40, 'N', "Feature name"},
                                {"remarks", 'T', -1, 'N', "Free text remarks"},
                                {"code", 'S', 1, 'N', "Feature code"},
                                {"value", 'F', 1, 'N', "Elevation in meters"},
                                {"updated", 'D', 1, 'N', "Date of last update"}};

// Random phrase of words, at most maxlen bytes.
std::string phrase(Rng& r, size_t maxlen) {
  static const char* w[] = {
      "North",      "South", "Creek", "River",  "Bay",       "Point",       "Harbor",
      "Lake",       "Mount", "road",  "bridge", "unpaved",   "seasonal",    "under construction",
      "St. John's", "ferry", "light", "tower",  "(approx.)", "see note 12", "elev",
      "100%",       "A-7"};
  std::string s;
  while (s.size() < maxlen) {
    if (!s.empty()) s += ' ';
    s += w[r.in(0, sizeof w / sizeof *w - 1)];
  }
  s.resize(maxlen);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// One row of the text-heavy table.
void textRow(Gen& g, int64_t id) {
  Rng& r = g.r;
  g.I(id);
  g.Tfix(phrase(r, static_cast<size_t>(r.in(3, 40))), 40);
  g.Tvar(phrase(r, static_cast<size_t>(r.in(0, 120))));
  g.S(static_cast<int>(r.in(0, 999)));
  g.F(r.real(-50, 2500));
  g.D();
}

const std::vector<Col> kMixed = {{"id", 'I', 1, 'P', "Row Identifier"},
                                 {"ivec", 'I', 3, 'N', "Three integers"},
                                 {"ivar", 'I', -1, 'N', "Variable integer list"},
                                 {"scode", 'S', 1, 'N', "Short code"},
                                 {"svar", 'S', -1, 'N', "Variable short list"},
                                 {"rpair", 'R', 2, 'N', "Pair of doubles"},
                                 {"rvar", 'R', -1, 'N', "Variable double list"},
                                 {"fval", 'F', 1, 'N', "Single float"},
                                 {"name", 'T', 12, 'U', "Fixed length name"},
                                 {"note", 'T', -1, 'N', "Variable length note"},
                                 {"stamp", 'D', 1, 'N', "Date stamp"},
                                 {"nothing", 'X', 1, 'N', "Null column"},
                                 {"ref", 'K', 1, 'F', "Triplet reference"},
                                 {"pt", 'C', 1, 'N', "Single point"},
                                 {"line", 'C', -1, 'N', "Line string"},
                                 {"bline", 'B', -1, 'N', "Double precision line"},
                                 {"zpair", 'Z', 2, 'N', "Two 3D points"},
                                 {"yline", 'Y', -1, 'N', "Double precision 3D line"},
                                 {"bpt", 'B', 1, 'N', "Double precision point"}};

// Writes n coordinate tuples of dim values each (float or double), plus the count line.
void coords(Gen& g, int n, bool var, int dim, bool dbl) {
  if (var) g.count(n);
  Walk w{g.r.real(-75, -70), g.r.real(35, 40)};
  for (int i = 0; i < n; ++i) {
    double v[3] = {w.x, w.y, g.r.real(-10, 1500)};
    for (int d = 0; d < dim; ++d) dbl ? g.o.f64(v[d]) : g.o.f32(v[d]);
    ++g.fields;
    w.step(g.r, 0.002);
  }
  ++g.fields;
}

// One row of the all-types table.
void mixedRow(Gen& g, int64_t id) {
  Rng& r = g.r;
  g.I(id);
  for (int i = 0; i < 3; ++i) g.I(r.in(-2000000000, 2000000000));
  int n = static_cast<int>(r.in(0, 5));
  g.count(n);
  for (int i = 0; i < n; ++i) g.I(r.in(-100000, 100000));
  g.S(static_cast<int>(r.in(-32768, 32767)));
  n = static_cast<int>(r.in(0, 4));
  g.count(n);
  for (int i = 0; i < n; ++i) g.S(static_cast<int>(r.in(-500, 500)));
  g.R(r.real(-180, 180));
  g.R(r.real(-90, 90));
  n = static_cast<int>(r.in(1, 4));
  g.count(n);
  for (int i = 0; i < n; ++i) g.R(r.real(-1e6, 1e6));
  g.F(r.real(0, 100));
  g.Tfix(phrase(r, static_cast<size_t>(r.in(1, 12))), 12);
  g.Tvar(phrase(r, static_cast<size_t>(r.in(0, 60))));
  g.D();
  g.X();
  g.K(id + 1000);
  coords(g, 1, false, 2, false);
  coords(g, static_cast<int>(r.in(1, 20)), true, 2, false);
  coords(g, static_cast<int>(r.in(1, 8)), true, 2, true);
  coords(g, 2, false, 3, false);
  coords(g, static_cast<int>(r.in(1, 6)), true, 3, true);
  coords(g, 1, false, 2, true);
}

}  // namespace

// Parses arguments, writes header then rows until the size is reached, prints counts.
int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: gen_table edge|text|mixed-le|mixed-be MEGABYTES SEED OUTFILE\n");
    return 2;
  }
  std::string kind = argv[1];
  double mb = std::strtod(argv[2], nullptr);
  uint64_t seed = std::strtoull(argv[3], nullptr, 10);
  const std::vector<Col>* cols;
  void (*row)(Gen&, int64_t);
  const char *desc, *narr;
  bool big = false;
  if (kind == "edge") {
    cols = &kEdge;
    row = edgeRow;
    desc = "Edge Primitives";
    narr = "edg.doc";
  } else if (kind == "text") {
    cols = &kText;
    row = textRow;
    desc = "Place Names";
    narr = "-";
  } else if (kind == "mixed-le" || kind == "mixed-be") {
    cols = &kMixed;
    row = mixedRow;
    desc = "Mixed Type Test Table";
    narr = "mix.doc";
    big = kind == "mixed-be";
  } else {
    std::fprintf(stderr, "gen_table: unknown kind %s\n", argv[1]);
    return 2;
  }

  FILE* f = std::fopen(argv[4], "wb");
  if (!f) {
    std::perror(argv[4]);
    return 1;
  }
  Out o(f, big);
  Rng r(seed);
  Gen g{o, r};
  std::string h = header(big, desc, narr, *cols);
  o.i32(static_cast<int64_t>(h.size()));
  o.raw(h);
  uint64_t target = static_cast<uint64_t>(mb * 1e6), rows = 0;
  while (o.bytes() < target) row(g, static_cast<int64_t>(++rows));
  o.flush();
  if (std::fclose(f) != 0) {
    std::perror("close");
    return 1;
  }
  std::printf("rows=%llu fields=%llu bytes=%llu\n", static_cast<unsigned long long>(rows),
              static_cast<unsigned long long>(g.fields),
              static_cast<unsigned long long>(o.bytes()));
  return 0;
}
