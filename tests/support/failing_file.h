// A table file whose reads fail part way, as on a failing disk or a network
// file system that drops: the bytes before the failing offset arrive, then
// every read fails with EIO.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens path for reading through a stream that delivers its first `good`
// bytes and then fails every read. nullptr when path cannot be opened. One
// such stream may be open at a time.
std::FILE* openFailingAfter(const char* path, int64_t good);

// How many reads such streams have failed so far, in this process.
int64_t failedReads();
