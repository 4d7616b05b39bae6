// The GeoPackage's SQLite database as the writer uses it: one connection,
// statements prepared once and stepped with bound values, and every
// failure ending the run where it is found (a full disk or a file size
// limit: status 2, "can't write FILE: REASON").
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

// Opens (creates) the database at path, UTF-8, set for one writer that
// needs no journal: what it writes is thrown away whole if the run fails.
// Every run gets the same pages from the same statements. db is set as
// soon as the connection exists, so that a run ended by a failure to set
// it up closes it too.
void openGeoPackageDatabase(const std::string& path, sqlite3*& db);

// Closes the database, with any statement still open; false where the
// last writes failed.
bool closeGeoPackageDatabase(sqlite3* db);

// Runs SQL text that binds nothing (the schema's statements).
void runSql(sqlite3* db, const std::string& sql);

// Prepares a statement to be stepped many times.
sqlite3_stmt* prepareSql(sqlite3* db, const std::string& sql);

// Steps a statement that returns no row, then resets it for the next.
void stepSql(sqlite3_stmt* statement);

// Steps a query; true while it gives a row.
bool stepRow(sqlite3_stmt* statement);

// Ends the run for the failure the database reports (status 2, or the
// out-of-memory exit).
[[noreturn]] void databaseFailedExit(sqlite3* db);

// An identifier as SQL text: in double quotes, a quote inside doubled, so
// that any name (a keyword, a name with spaces or quotes) stands as itself.
std::string quotedName(const std::string& name);

// Binding values: text and blobs stay where they are until the statement
// is stepped.
void bindText(sqlite3_stmt* statement, int parameter, const char* text, size_t n);
void bindText(sqlite3_stmt* statement, int parameter, const std::string& text);
void bindText(sqlite3_stmt* statement, int parameter, const char* text);  // a literal
void bindBlob(sqlite3_stmt* statement, int parameter, const void* bytes, size_t n);
void bindInteger(sqlite3_stmt* statement, int parameter, int64_t value);
void bindDouble(sqlite3_stmt* statement, int parameter, double value);
void bindNull(sqlite3_stmt* statement, int parameter);

// Finalizes a statement (nullptr is allowed).
void finishSql(sqlite3_stmt* statement);
