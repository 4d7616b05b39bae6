#include "header/table_header.h"

#include <cstdio>
#include <cstring>

#include "output/output_stream.h"
#include "run/run_control.h"

void TableCloser::operator()(Table* table) const {
  if (table->stream.file != nullptr) std::fclose(table->stream.file);
  delete table;
}

// Default-initialised: the buffers are not cleared, only the members that
// say how much of them holds data.
TableHandle newTable() { return TableHandle(new Table); }

namespace {

// Preamble and byte order: 4 length bytes (not used), then "L;", "M;" or
// a bare ";" for little-endian.
bool readByteOrder(TableStream& table) {
  char length[4];
  char order[2];
  if (std::fscanf(table.file, "%4c%1[lLmM;]", length, order) != 2) return false;
  if (order[0] == ';') return true;
  if (std::getc(table.file) != ';') return false;
  table.swapBytes = order[0] == 'M' || order[0] == 'm';
  return true;
}

// Table description and narrative table name: checked, and kept in text.
bool readTableNames(TableStream& table, HeaderText& text) {
  if (std::fscanf(table.file, "%79[^;]%*[^;]", text.description) != 1) return false;
  if (std::fscanf(table.file, "%*[;\t ]%1[_A-Za-z-]", text.narrativeTable) != 1) return false;
  if (std::fscanf(table.file, "%11[_A-Za-z0-9.]", text.narrativeTable + 1) != 1)
    text.narrativeTable[1] = '\0';
  // Also takes the ";" that would close an empty column list.
  (void)std::fscanf(table.file, "%*[; \t]");
  return true;
}

// The later edition's seventh field, the narrative table name, when the
// next character is not the closing ":". It must be parted from the
// thematic index by a separator: a thematic index of 13 characters is not
// split in two.
bool readNarrativeTable(TableStream& table, ColumnDefinition& column, bool separated) {
  const int next = std::getc(table.file);
  std::ungetc(next, table.file);
  if (next == ':') return true;
  if (!separated) return false;
  return std::fscanf(table.file, "%12[_A-Za-z0-9.-]%*[, \t]", column.narrativeTable) == 1;
}

// Reads one definition "name=T,count,K,description,table,index,:", and in
// the later edition "name=T,count,K,description,table,index,narrative,:".
// An empty description is not seen: the separators before it are all taken
// at once, so the later fields shift into its place.
bool readColumnDefinition(TableStream& table, ColumnDefinition& column, bool laterEdition) {
  if (std::fscanf(table.file, "%16[ _A-Za-z0-9$%/.-]%*[ \t=]", column.name) != 1) return false;
  // A count of more than 19 characters leaves a count character where the
  // separator must be, so the scan stops short.
  if (std::fscanf(table.file, "%1[TFRSICBZYDXK]%*[ \t,]%19[0-9*]%*[ \t,]%1[FUPN]%*[ \t,]",
                  column.type, column.count, column.key) != 3)
    return false;
  column.description[0] = '\0';
  (void)std::fscanf(table.file, "%79[^,]%*[^,]", column.description);
  // `separated` stays -1 unless a separator follows the thematic index.
  int separated = -1;
  if (std::fscanf(table.file, "%*[, \t]%12[_A-Za-z0-9.-]%*[, \t]%12[_A-Za-z0-9.-]%*[, \t]%n",
                  column.valueTable, column.thematicIndex, &separated) != 2)
    return false;
  column.narrativeTable[0] = '\0';
  if (laterEdition && !readNarrativeTable(table, column, separated >= 0)) return false;
  return std::getc(table.file) == ':';
}

// Writes "\n%-16s=%c,%3s,%c,%s,%s,%s,:" for one definition, or with the
// seventh field "\n%-16s=%c,%3s,%c,%s,%s,%s,%s,:". Fields are strings as
// stored, so a zero byte ends a description early.
void echoColumn(OutputStream& out, const ColumnDefinition& column) {
  if (discards(out)) return;
  putChar(out, '\n');
  putText(out, column.name);
  for (size_t n = std::strlen(column.name); n < 16; ++n) putChar(out, ' ');
  putChar(out, '=');
  putChar(out, column.type[0]);
  putChar(out, ',');
  for (size_t n = std::strlen(column.count); n < 3; ++n) putChar(out, ' ');
  putText(out, column.count);
  putChar(out, ',');
  putChar(out, column.key[0]);
  putChar(out, ',');
  putText(out, column.description);
  putChar(out, ',');
  putText(out, column.valueTable);
  putChar(out, ',');
  putText(out, column.thematicIndex);
  if (column.narrativeTable[0] != '\0') {
    putChar(out, ',');
    putText(out, column.narrativeTable);
  }
  putText(out, ",:");
}

}  // namespace

// The header is text of no fixed length, read with formatted scans and one
// character of push-back, which only the stdio stream gives. The block
// buffer takes over the file only at the first data byte: until then it
// has read nothing, so no byte is lost or read twice between the two.
HeaderResult readHeader(Table& table, bool laterEdition, OutputStream& echo) {
  TableStream& stream = table.stream;
  clearColumns(table.columns);
  bool valid = readByteOrder(stream) && readTableNames(stream, table.header);
  if (valid) putText(echo, "\n**DCWcolumns ====================\n");
  while (valid) {
    int c = std::getc(stream.file);
    if (c == ';') {
      putText(echo, ";\n");
      return HEADER_READ;
    }
    if (c == EOF) break;
    std::ungetc(c, stream.file);
    ColumnDefinition column;
    valid = readColumnDefinition(stream, column, laterEdition);
    if (!valid) break;
    echoColumn(echo, column);
    valid = addColumn(table.columns, column.type[0], column.count);
    if (valid) table.header.column[table.columns.columnTotal - 1] = column;
  }
  // A scan that stopped because the file could not be read is a read
  // failure, not a bad header.
  return readFailed(stream) ? HEADER_READ_FAILED : HEADER_INVALID;
}

void readTableHeader(Table& table, bool laterEdition, OutputStream& echo) {
  switch (readHeader(table, laterEdition, echo)) {
    case HEADER_READ: return;
    case HEADER_READ_FAILED: readFailedExit(table.stream.path);
    case HEADER_INVALID: invalidTableExit();
  }
}

bool rowsTakeBytes(const Table& table) {
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    const char type = table.header.column[i].type[0];
    const int32_t count = table.columns.columnCount[i];
    if (type != 'X' && (count != 0 || type == 'F' || type == 'D' || type == 'K')) return true;
  }
  return false;
}
