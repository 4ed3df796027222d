#include "views/save_choice.h"

#include <algorithm>
#include <iterator>

#include "texts/texts.h"
#include "treemap/volume_picture.h"
#include "views/saved_scan_texts.h"

namespace tw {
namespace {

constexpr FileFilter kOpenFilters[] = {
    {text::kFilterSnapshot, L"*.twsnap"},
    {text::kFilterAllFiles, L"*.*"},
};

constexpr SaveFormat kSaveFormats[] = {
    {{text::kFilterSnapshot, L"*.twsnap"}, L".twsnap", ExportFormat::kSnapshot},
    {{text::kFilterJson, L"*.json"}, L".json", ExportFormat::kJson},
    {{text::kFilterNcdu, L"*.json"}, L".json", ExportFormat::kNcdu},
    {{text::kFilterCsv, L"*.csv"}, L".csv", ExportFormat::kCsv},
    {{text::kFilterPictureWindow, L"*.png"}, L".png", ExportFormat::kPicture, true},
    {{text::kFilterPictureFixed, L"*.png"}, L".png", ExportFormat::kPicture},
};

constexpr FileFilter kSaveFilters[] = {
    kSaveFormats[0].filter, kSaveFormats[1].filter, kSaveFormats[2].filter,
    kSaveFormats[3].filter, kSaveFormats[4].filter, kSaveFormats[5].filter,
};
static_assert(std::size(kSaveFilters) == std::size(kSaveFormats));

// The extension of the last part of the path, with its dot ("" when the
// name has none: no dot, or only one at its start or end).
std::wstring_view ExtensionOfName(std::wstring_view path) {
  const std::wstring_view name = FileNameOf(path);
  const std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot == 0 || dot + 1 == name.size()) return {};
  return name.substr(dot);
}

bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&lower](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
}

// The format a save writes: the chosen filter's, unless the name ends in
// another format's extension, which then wins (the first format that has
// it): "table.csv" under the saved-scan filter is a CSV table.
const SaveFormat& FormatFor(std::wstring_view extension, std::size_t filter) {
  const SaveFormat& chosen = kSaveFormats[filter];
  if (extension.empty() || SameIgnoringAsciiCase(extension, chosen.extension)) return chosen;
  for (const SaveFormat& format : kSaveFormats) {
    if (SameIgnoringAsciiCase(extension, format.extension)) return format;
  }
  return chosen;
}

std::int32_t PictureSide(std::int32_t pixels) { return std::clamp(pixels, kPictureMinSide, kPictureMaxSide); }

// How the window names itself in an ncdu export (its version block's).
constexpr char kProgramName[] = "tarnwick";
constexpr char kProgramVersion[] = "1.0.0.0";

}  // namespace

std::span<const FileFilter> OpenFilters() { return kOpenFilters; }
std::span<const SaveFormat> SaveFormats() { return kSaveFormats; }
std::span<const FileFilter> SaveFilters() { return kSaveFilters; }

std::wstring DialogFilterText(std::span<const FileFilter> filters) {
  std::wstring text;
  for (const FileFilter& filter : filters) {
    text += filter.description;
    text += L'\0';
    text += filter.pattern;
    text += L'\0';
  }
  text += L'\0';
  return text;
}

SavePlan PlanSave(std::wstring_view chosen, std::uint32_t filter_index, std::int32_t window_width,
                  std::int32_t window_height) {
  const std::size_t index = filter_index >= 1 && filter_index <= std::size(kSaveFormats) ? filter_index - 1 : 0;
  const std::wstring_view extension = ExtensionOfName(chosen);
  const SaveFormat& format = FormatFor(extension, index);
  SavePlan plan;
  plan.path = chosen;
  if (extension.empty()) plan.path += format.extension;
  plan.request.format = format.format;
  plan.request.ncdu.progname = kProgramName;
  plan.request.ncdu.progver = kProgramVersion;
  if (format.window_size) {
    plan.request.picture_width = PictureSide(window_width);
    plan.request.picture_height = PictureSide(window_height);
  }
  return plan;
}

std::wstring ProposedSaveName(std::wstring_view opened_path) {
  const std::wstring_view name = FileNameOf(opened_path);
  if (name.empty()) return text::kDefaultSaveName;
  const std::size_t dot = name.rfind(L'.');
  return std::wstring(dot != std::wstring_view::npos && dot > 0 ? name.substr(0, dot) : name);
}

const wchar_t* SaveRefusalText(OutputProblem problem) {
  switch (problem) {
    case OutputProblem::kNone:
      return nullptr;
    case OutputProblem::kOverwritesSource:
      return text::kErrorSaveOverSource;
    default:
      return text::kErrorSaveNotFile;
  }
}

bool FileWork::BeginOpen(bool scanning) {
  if (!open_enabled(scanning)) return false;
  opening_ = true;
  return true;
}

bool FileWork::BeginSave(bool has_result) {
  if (!save_enabled(has_result)) return false;
  saving_ = true;
  return true;
}

}  // namespace tw
