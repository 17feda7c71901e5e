#pragma once
// The system's part of the file services, one implementation per system (file_posix.cpp,
// file_win32.cpp); the rules around the calls (what may be opened, the faults a test makes,
// when a file is read to its end) are file_common.cpp's, the same on every system.
#include <cstdint>
#include <string>

namespace tavori::platform::system_files {

// The regular file at path opened for reading; false when it is not there (any more). Throws
// IoError for one that is no regular file after all (it was replaced meanwhile).
bool OpenForReading(const std::string& path, std::intptr_t& handle);

// The regular file at path opened for writing, not emptied, made when missing. made: false when
// the system says the file was there already.
std::intptr_t OpenForWriting(const std::string& path, bool& made);

// The one shape of a system's file error: IoError("\"path\" <predicate>: <the system's reason
// for the call that has just failed>").
[[noreturn]] void Fail(const std::string& path, const char* predicate);

}  // namespace tavori::platform::system_files
