#include "files/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "files/windows_paths.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::string fileName;       // FILE as typed; "" for standard output's file
std::string temporaryPath;  // where the run writes, UTF-8
bool pending = false;
void (*outputCloser)() = nullptr;

// The folder part of a path as typed, with its separator ("" for none).
std::string folderPart(const std::string& path) {
#ifdef _WIN32
  const size_t end = path.find_last_of("/\\");
#else
  const size_t end = path.find_last_of('/');
#endif
  return end == std::string::npos ? "" : path.substr(0, end + 1);
}

std::string lastPart(const std::string& path) { return path.substr(folderPart(path).size()); }

void closeOutput() {
  if (outputCloser == nullptr) return;
  void (*closer)() = outputCloser;
  outputCloser = nullptr;
  closer();
}

#ifdef _WIN32

volatile LONG stopFlag = 0;
wchar_t stopPath[MAX_PATH + 1];  // the temporary file, for the console handler

// Windows' console events (Ctrl+C, a closed console) come on a thread of
// their own. The file of the dump and the JSON outputs is open with delete
// sharing: it is removed, and the process ends as the event would end it.
// SQLite's database file cannot be removed while it is open: the run is
// told to stop, and ends as soon as it looks (between features).
BOOL WINAPI consoleEvent(DWORD) {
  if (stopPath[0] != L'\0' && DeleteFileW(stopPath)) return FALSE;
  InterlockedExchange(&stopFlag, 1);
  return TRUE;
}

void watchStopSignals() { SetConsoleCtrlHandler(consoleEvent, TRUE); }

// A new file at folder + prefix + a number: "" when made, else why not.
std::string makeUniqueFile(const std::string& folder, const std::string& prefix) {
  const DWORD seed = GetCurrentProcessId() ^ GetTickCount();
  for (DWORD attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06lu",
                  (unsigned long)((seed + attempt * 7919) % 1000000));
    const std::string path = folder + prefix + suffix;
    HANDLE file = CreateFileW(widePath(path.c_str()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      temporaryPath = path;
      const std::wstring wide = widePath(path.c_str());
      if (wide.size() < MAX_PATH) wcscpy(stopPath, wide.c_str());
      return "";
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return std::strerror(ENOENT);
    if (error != ERROR_FILE_EXISTS) return std::strerror(EACCES);
  }
  return std::strerror(EEXIST);
}

bool isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widePath(path.c_str()).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string temporaryFolder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  return n == 0 ? "" : utf8Path(folder);
}

bool removeFile(const std::string& path) { return DeleteFileW(widePath(path.c_str()).c_str()); }

std::string renameOver(const std::string& from, const std::string& to) {
  if (MoveFileExW(widePath(from.c_str()).c_str(), widePath(to.c_str()).c_str(),
                  MOVEFILE_REPLACE_EXISTING))
    return "";
  return GetLastError() == ERROR_ACCESS_DENIED ? "Permission denied"
                                               : "the file cannot be replaced";
}

#else

// The temporary path, where a signal handler can read it.
char signalPath[4096];

// SIGINT, SIGTERM, SIGHUP: the temporary file goes, then the signal ends
// the process as it would have.
void stopBySignal(int sig) {
  if (signalPath[0] != '\0') unlink(signalPath);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void watchStopSignals() {
  std::signal(SIGINT, stopBySignal);
  std::signal(SIGTERM, stopBySignal);
  std::signal(SIGHUP, stopBySignal);
  // A file size limit fails the write (EFBIG) instead of ending the run
  // with the temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
}

// Stop signals held off while the state they read changes.
struct SignalsHeld {
  sigset_t old;
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    sigprocmask(SIG_BLOCK, &held, &old);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old, nullptr); }
};

std::string makeUniqueFile(const std::string& folder, const std::string& prefix) {
  std::string path = folder + prefix + "XXXXXX";
  if (path.size() >= sizeof signalPath) return std::strerror(ENAMETOOLONG);
  SignalsHeld held;
  const int fd = mkstemp(&path[0]);
  if (fd < 0) return std::strerror(errno);
  close(fd);
  temporaryPath = path;
  std::memcpy(signalPath, path.c_str(), path.size() + 1);
  return "";
}

bool isFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
}

bool removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

std::string renameOver(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return "";
  return std::strerror(errno);
}

// The mode FILE gets: a replaced file's own, else what a new file gets.
void setFileMode(const std::string& path, const std::string& target) {
  struct stat info;
  mode_t mode;
  if (stat(target.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  chmod(path.c_str(), mode);
}

#endif

void forget() {
#ifdef _WIN32
  stopPath[0] = L'\0';
#else
  SignalsHeld held;
  signalPath[0] = '\0';
#endif
  pending = false;
  temporaryPath.clear();
}

}  // namespace

std::string createOutputFile(const char* path) {
  fileName = path;
  if (fileName.empty()) return std::strerror(ENOENT);
  if (isFolder(fileName)) return "it is a folder";
  watchStopSignals();
  const std::string made = makeUniqueFile(folderPart(fileName), "." + lastPart(fileName) + ".");
  if (made.empty()) pending = true;
  return made;
}

std::string createTemporaryFile() {
  fileName.clear();
  std::string folder = temporaryFolder();
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  watchStopSignals();
  const std::string made = makeUniqueFile(folder, "quorldcw-");
  if (made.empty()) pending = true;
  return made;
}

bool outputFilePending() { return pending; }

const std::string& outputFileName() { return fileName; }

const std::string& outputFileTemporaryPath() { return temporaryPath; }

std::FILE* openOutputFileStream(bool binary) {
#ifdef _WIN32
  // Open so that a console event can remove it while it is open.
  HANDLE handle = CreateFileW(widePath(temporaryPath.c_str()).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), binary ? _O_BINARY : _O_TEXT);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, binary ? "wb" : "w");
  if (file == nullptr) _close(fd);
  return file;
#else
  return std::fopen(temporaryPath.c_str(), binary ? "wb" : "w");
#endif
}

void setOutputFileCloser(void (*closer)()) { outputCloser = closer; }

std::string commitOutputFile() {
  closeOutput();
  if (!pending) return "";
#ifndef _WIN32
  setFileMode(temporaryPath, fileName);
#endif
  const std::string failed = renameOver(temporaryPath, fileName);
  if (!failed.empty()) removeFile(temporaryPath);
  forget();
  return failed;
}

void discardOutputFile() {
  closeOutput();
  if (!pending) return;
  removeFile(temporaryPath);
  forget();
}

bool stopRequested() {
#ifdef _WIN32
  return stopFlag != 0;
#else
  return false;
#endif
}
