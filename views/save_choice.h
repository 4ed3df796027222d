#pragma once
// What the window's 打开… and 保存… dialogs offer and what a choice in them
// means: the filters in their order, the file a save writes and in which
// format, the name proposed, the refusals' texts; and which of the top
// band's buttons accept a press while a scan, an opening or a save runs.
// Pure logic, no dialogs.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "export/export_file.h"
#include "export/output_paths.h"

namespace tw {

// One entry of a file dialog's filter list.
struct FileFilter {
  const wchar_t* description;  // "CSV 表格 (*.csv)"
  const wchar_t* pattern;      // "*.csv"
};

// The open dialog: saved scans, then every file.
std::span<const FileFilter> OpenFilters();

// The save dialog's formats, in the order of its filters: the saved scan,
// the JSON document, the ncdu export, the CSV table, the picture at the
// window's size and at 1600x1000.
struct SaveFormat {
  FileFilter filter;
  const wchar_t* extension;  // ".csv": added to a name that has none
  ExportFormat format;
  bool window_size = false;  // a picture as large as the window
};
std::span<const SaveFormat> SaveFormats();
std::span<const FileFilter> SaveFilters();

// The filter text a file dialog takes: description, NUL, pattern, NUL, ...,
// and one more NUL at the end (the wide string holds them all).
std::wstring DialogFilterText(std::span<const FileFilter> filters);

// What a choice in the save dialog writes: the file (the format's
// extension added when the chosen name has none) and the request. The
// format is the chosen filter's, unless the name ends in the extension of
// another format (".csv", ".json", ".png", ".twsnap", in any case): then the
// first format with that extension, so that a name says what it holds.
struct SavePlan {
  std::wstring path;
  ExportRequest request;
};
// `filter_index` is the dialog's, counting from 1 (0 or one past the list
// is taken as the first format); the picture at the window's size takes the
// client area, each side clamped to the picture's limits. An ncdu export
// names the program "tarnwick" with its version; its time is the caller's
// to set when the export is written.
SavePlan PlanSave(std::wstring_view chosen, std::uint32_t filter_index, std::int32_t window_width,
                  std::int32_t window_height);

// The name a save proposes: the opened file's name without its extension,
// or "扫描记录" when the result came from no file.
std::wstring ProposedSaveName(std::wstring_view opened_path);

// The refusal of a save by the never-destroy check, for a message box; null
// for kNone.
const wchar_t* SaveRefusalText(OutputProblem problem);

// Opening and saving beside the scan cycle: one opening or one save at a
// time, no opening while a scan runs (its end would replace what was
// opened) and no scan while an opening runs; a save reads a generation of
// its own, so it may go on whatever else happens.
class FileWork {
 public:
  // A press of 打开…: true when an opening may start now (it then runs).
  bool BeginOpen(bool scanning);
  void EndOpen() { opening_ = false; }
  // A press of 保存…: true when a save may start now (it then runs).
  bool BeginSave(bool has_result);
  void EndSave() { saving_ = false; }

  bool opening() const { return opening_; }
  bool saving() const { return saving_; }
  // Whether each button (and the drive list, with the scan button) takes input.
  bool scan_enabled(bool scanning) const { return !scanning && !opening_; }
  bool open_enabled(bool scanning) const { return !scanning && !opening_; }
  bool save_enabled(bool has_result) const { return has_result && !saving_ && !opening_; }

 private:
  bool opening_ = false;
  bool saving_ = false;
};

}  // namespace tw
