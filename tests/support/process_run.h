#pragma once
// Running a command line for the tests that drive the built programs: its
// exit status, stdout and stderr (captured in files, so stderr is never a
// terminal; stdin is /dev/null).

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tw::test {

struct ProcessOutcome {
  int status = -1;  // exit status; -1 when the process died of a signal
  std::string out, err;
};

// The text quoted for the shell, whatever it holds.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline ProcessOutcome RunShell(const std::string& command) {
  static int counter = 0;
  const std::string base = (std::filesystem::temp_directory_path() /
                            ("tw_shell_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
                               .string();
  const int raw = std::system(
      (command + " >" + ShellQuote(base + ".out") + " 2>" + ShellQuote(base + ".err") + " </dev/null").c_str());
  ProcessOutcome run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadWholeFile(base + ".out");
  run.err = ReadWholeFile(base + ".err");
  std::filesystem::remove(base + ".out");
  std::filesystem::remove(base + ".err");
  return run;
}

}  // namespace tw::test
