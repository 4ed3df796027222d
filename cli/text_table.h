#pragma once
// Plain-text tables for the terminal: columns aligned by display width, where
// CJK characters take two cells.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw {

// Terminal cells that UTF-8 text occupies: East Asian wide and fullwidth
// characters count two, combining marks and zero-width characters none,
// everything else one. Malformed bytes count one each.
std::size_t DisplayWidth(std::string_view utf8);

// UTF-16 text made safe to print on a terminal, as UTF-8: control characters
// (C0, DEL, C1) become U+FFFD so that a name on disk cannot move the cursor or
// send escape sequences.
std::string TerminalText(std::wstring_view utf16);

enum class Align { kLeft, kRight };

// One header row and the body rows, cells in UTF-8. Columns are separated by
// two blanks; a left-aligned last column carries no trailing blanks.
class TextTable {
 public:
  explicit TextTable(std::vector<Align> aligns) : aligns_(std::move(aligns)) {}
  void AddRow(std::vector<std::string> cells);  // missing cells are empty
  std::string Render() const;

 private:
  std::vector<Align> aligns_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace tw
