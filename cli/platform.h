#pragma once
// What differs between the host and the Windows build of tarnwick-scan.

#include <cstdio>
#include <string>

namespace tw {

// Whether stderr is a terminal (the progress line is drawn only then).
bool StderrIsTerminal();

// Whether a drive letter ("C", "C:") names a volume as SOURCE: Windows only.
bool SourceMayBeDriveLetter();

// Makes the console show UTF-8 output (Windows). On POSIX, a standard
// descriptor the program was started without (as by ">&-") is taken by
// /dev/null opened the other way round: files opened later cannot land on
// it, and a write to it still fails as it would on a closed one.
void PrepareConsoleOutput();

// Creates or empties a file for writing, binary; the name is UTF-8. Null
// with errno set when that fails.
std::FILE* OpenFileForWriting(const std::string& utf8_path);

// The system's words for an error number of the volume reads (errno on
// POSIX, GetLastError on Windows).
std::string SystemErrorText(int code);

}  // namespace tw
