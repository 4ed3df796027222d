#include "cli/platform.h"

#include <unistd.h>

namespace tw {

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool SourceMayBeDriveLetter() { return false; }

void PrepareConsoleOutput() {}

}  // namespace tw
