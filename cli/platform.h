#pragma once
// What differs between the host and the Windows build of tarnwick-scan.

namespace tw {

// Whether stderr is a terminal (the progress line is drawn only then).
bool StderrIsTerminal();

// Whether a drive letter ("C", "C:") names a volume as SOURCE: Windows only.
bool SourceMayBeDriveLetter();

// Makes the console show UTF-8 output (Windows); nothing elsewhere.
void PrepareConsoleOutput();

}  // namespace tw
