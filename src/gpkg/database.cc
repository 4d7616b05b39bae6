#include "gpkg/database.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "run/run_control.h"

namespace {

// The database's settings, the same on every host and build: they decide
// how the file's pages are laid out. No journal and no syncs but the last:
// a run that fails throws the whole file away. The caches are bounded, so
// that memory does not grow with the data.
const char* const kSettings =
    "PRAGMA page_size = 4096;"
    "PRAGMA encoding = 'UTF-8';"
    "PRAGMA auto_vacuum = NONE;"
    "PRAGMA secure_delete = OFF;"
    "PRAGMA journal_mode = OFF;"
    "PRAGMA temp.journal_mode = OFF;"
    "PRAGMA temp.page_size = 65536;"
    "PRAGMA synchronous = NORMAL;"
    "PRAGMA locking_mode = EXCLUSIVE;"
    "PRAGMA temp_store = FILE;"
    "PRAGMA cache_size = -16384;"
    "PRAGMA temp.cache_size = -16384;"
    "PRAGMA foreign_keys = OFF;";

// The system's error behind the database's last failure: SQLite's record
// of it, else the last error of the file that failed (a write past a file
// size limit leaves SQLite's record empty).
int systemError(sqlite3* db) {
  int error = sqlite3_system_errno(db);
  for (const char* schema : {"main", "temp"}) {
    if (error != 0) break;
    if (sqlite3_file_control(db, schema, SQLITE_FCNTL_LAST_ERRNO, &error) != SQLITE_OK) error = 0;
  }
  return error;
}

// Why the database failed, in the system's words where the system failed.
std::string failureReason(sqlite3* db) {
  const int code = sqlite3_errcode(db);
  int error = systemError(db);
  // A full disk is SQLite's own "full", which keeps no system error.
  if (code == SQLITE_FULL && error == 0) error = ENOSPC;
  if (error != 0 && (code == SQLITE_FULL || code == SQLITE_IOERR || code == SQLITE_CANTOPEN))
    return std::strerror(error);
  return sqlite3_errmsg(db);
}

// The statements prepareSql made that finishSql has not finalized yet (not
// those the R*Tree makes for itself, which it finalizes).
std::vector<sqlite3_stmt*> openStatements;

void check(sqlite3* db, int result) {
  if (result != SQLITE_OK) databaseFailedExit(db);
}

}  // namespace

void databaseFailedExit(sqlite3* db) {
  if (sqlite3_errcode(db) == SQLITE_NOMEM) outOfMemoryExit();
  outputFailedExit(failureReason(db));
}

void openGeoPackageDatabase(const std::string& path, sqlite3*& db) {
  const int result =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (db == nullptr) outOfMemoryExit();
  if (result != SQLITE_OK) databaseFailedExit(db);
  runSql(db, kSettings);
}

bool closeGeoPackageDatabase(sqlite3* db) {
  // Statements left open (a run ended by a failure) are finalized first:
  // while one is open, the connection would keep its memory and its file.
  for (sqlite3_stmt* statement : openStatements) sqlite3_finalize(statement);
  openStatements.clear();
  return sqlite3_close_v2(db) == SQLITE_OK;
}

void runSql(sqlite3* db, const std::string& sql) {
  check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
}

sqlite3_stmt* prepareSql(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  check(db, sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &statement, nullptr));
  openStatements.push_back(statement);
  return statement;
}

void stepSql(sqlite3_stmt* statement) {
  const int result = sqlite3_step(statement);
  if (result != SQLITE_DONE && result != SQLITE_ROW)
    databaseFailedExit(sqlite3_db_handle(statement));
  sqlite3_reset(statement);
}

bool stepRow(sqlite3_stmt* statement) {
  const int result = sqlite3_step(statement);
  if (result == SQLITE_ROW) return true;
  if (result != SQLITE_DONE) databaseFailedExit(sqlite3_db_handle(statement));
  sqlite3_reset(statement);
  return false;
}

std::string quotedName(const std::string& name) {
  std::string sql = "\"";
  for (char c : name) {
    if (c == '"') sql += '"';
    sql += c;
  }
  return sql + '"';
}

void bindText(sqlite3_stmt* statement, int parameter, const char* text, size_t n) {
  if (text == nullptr) text = "";  // empty text, which a null pointer would make NULL
  check(sqlite3_db_handle(statement),
        sqlite3_bind_text64(statement, parameter, text, n, SQLITE_STATIC, SQLITE_UTF8));
}

void bindText(sqlite3_stmt* statement, int parameter, const std::string& text) {
  bindText(statement, parameter, text.data(), text.size());
}

void bindText(sqlite3_stmt* statement, int parameter, const char* text) {
  bindText(statement, parameter, text, std::strlen(text));
}

void bindBlob(sqlite3_stmt* statement, int parameter, const void* bytes, size_t n) {
  check(sqlite3_db_handle(statement),
        sqlite3_bind_blob64(statement, parameter, bytes, n, SQLITE_STATIC));
}

void bindInteger(sqlite3_stmt* statement, int parameter, int64_t value) {
  check(sqlite3_db_handle(statement), sqlite3_bind_int64(statement, parameter, value));
}

void bindDouble(sqlite3_stmt* statement, int parameter, double value) {
  check(sqlite3_db_handle(statement), sqlite3_bind_double(statement, parameter, value));
}

void bindNull(sqlite3_stmt* statement, int parameter) {
  check(sqlite3_db_handle(statement), sqlite3_bind_null(statement, parameter));
}

void finishSql(sqlite3_stmt* statement) {
  const auto open = std::find(openStatements.begin(), openStatements.end(), statement);
  if (open != openStatements.end()) openStatements.erase(open);
  sqlite3_finalize(statement);
}
