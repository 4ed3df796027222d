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

// On Linux a scan maps the pages of the source that the system's cache
// holds. Should one of them go before it is read (a source cut short by
// another program meanwhile, or a page dropped and then refused by the
// disk), reading it raises SIGBUS. From this call on, the process then
// writes `text` to stderr and ends with `status` instead of dying of the
// signal. Nothing on Windows, which reads every byte.
void EndOnLostSourcePages(const std::string& text, int status);

}  // namespace tw
