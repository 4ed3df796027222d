#include "cli/run.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include "base/drive_letter.h"
#include "cli/compare_report.h"
#include "cli/find_output.h"
#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/platform.h"
#include "cli/progress_line.h"
#include "cli/report.h"
#include "cli/scan_source.h"
#include "cli/treemap_picture.h"
#include "engine/record_reread.h"
#include "engine/scan_worker.h"
#include "export/export_file.h"
#include "export/ncdu_export.h"
#include "export/output_paths.h"
#include "export/result_json.h"
#include "format/utf.h"
#include "model/scan_compare.h"
#include "search/query.h"
#include "search/search.h"
#include "store/snapshot.h"
#include "texts/texts.h"
#include "views/saved_scan_texts.h"
#include "views/scan_progress_text.h"

namespace tw {
namespace {

constexpr char kProgramName[] = "tarnwick-scan";

int UsageError(std::ostream& err, const std::string& reason) {
  err << kProgramName << ": " << reason << " (try --help)\n";
  return kExitUsage;
}

std::string ErrorLine(const wchar_t* reason, const std::string& path, const std::string& detail) {
  return Utf16ToUtf8(text::kErrorPrefix) + Utf16ToUtf8(reason) + " (" + path + ": " + detail + ")";
}

// The root's name follows a drive letter given for a saved scan.
void SetDriveLetter(ScanResult& result, const std::wstring& letter) {
  if (letter.empty() || result.folders.empty()) return;
  result.drive = letter;
  const std::wstring name = RootName(letter);
  result.folders[0].name = NameRef{result.names.Append(name), static_cast<std::uint32_t>(name.size())};
}

// The warning for a partition whose table entry runs past the end of the
// source, which the scan read up to that end; "" when it did not.
std::string ClippedPartitionWarning(const PartitionExtent& placement) {
  if (placement.listed_length <= 0) return {};
  return Utf16ToUtf8(text::kWarningPrefix) + Utf16ToUtf8(text::kWarningPartitionLead) +
         std::to_string(placement.number) + Utf16ToUtf8(text::kWarningPartitionPastEnd) +
         Utf16ToUtf8(text::kWarningBytes) + std::to_string(placement.offset) + "-" +
         std::to_string(placement.offset + placement.listed_length - 1) + ")";
}

// Resolves a SOURCE: false, with its one line on err, for one that cannot be
// scanned. Asked of its status alone: nothing is opened.
bool Resolve(const std::string& argument, const CliContext& context, ResolvedSource& source) {
  source = ResolveSource(argument, context.drive_letters_allowed);
  if (source.error.empty()) return true;
  context.err << kProgramName << ": " << source.error << '\n';
  return false;
}

// The result of one resolved SOURCE: a saved scan read back, or a scan of
// the volume. Returns the exit status; kExitOk with `result` filled.
int ObtainResult(const ResolvedSource& source, const CliOptions& options, const CliContext& context,
                 ScanTimings& timings, ScanResult& result) {
  if (source.drive.empty() && IsSnapshotFile(source.path)) {
    SnapshotError error;
    if (!LoadSnapshotFile(source.path, result, error)) {
      context.err << ErrorLine(SnapshotProblemText(error.problem), source.path, error.detail) << '\n';
      return kExitScanFailed;
    }
    SetDriveLetter(result, options.drive_letter);
    return kExitOk;
  }
  std::wstring drive = options.drive_letter;
  if (drive.empty()) drive = source.drive.empty() ? L"X" : source.drive;

  PartitionExtent placement;
  ScanOptions scan_options;
  scan_options.threads = options.threads;
  scan_options.partition = options.partition;
  scan_options.use_bitmap = !options.read_all;
  scan_options.timings = &timings;
  scan_options.placement = &placement;

  ProgressPrinter printer(context.err);
  ProgressCallback progress;
  if (context.err_is_terminal && !options.quiet) {
    progress = [&printer](const ScanProgress& p) { printer.Report(ScanProgressValue(p), ScanProgressText(p)); };
  }
  EndOnLostSourcePages(std::string(context.err_is_terminal && !options.quiet ? "\n" : "") +
                           ScanFailureLine(ScanError::kCannotRead, EIO, source, options.partition) + "\n",
                       kExitScanFailed);
  try {
    result = ScanSourceMft(source.path, drive, progress, scan_options);
  } catch (...) {
    printer.Finish();
    const std::exception_ptr failure = std::current_exception();
    context.err << ScanFailureLine(ErrorOfException(failure), SystemErrorOfException(failure), source,
                                   options.partition)
                << '\n';
    return kExitScanFailed;
  }
  printer.Finish();
  if (const std::string warning = ClippedPartitionWarning(placement); !warning.empty()) context.err << warning << '\n';
  if (const std::string warning = UnreadableWarning(result); !warning.empty()) context.err << warning << '\n';
  if (options.timings) context.err << TimingsText(timings, result.elapsed_seconds);
  return kExitOk;
}

// --reread: the saved scan `reread_from` of SOURCE with the given records of
// SOURCE read again, as the window does after an action. Returns the exit
// status; kExitOk with `result` filled.
int RereadOverSavedScan(const ResolvedSource& source, const CliOptions& options, const CliContext& context,
                        ScanResult& result) {
  ResolvedSource base;
  if (!Resolve(options.reread_from, context, base)) return kExitUsage;
  SnapshotError error;
  ScanResult before;
  if (!IsSnapshotFile(base.path) || !LoadSnapshotFile(base.path, before, error)) {
    context.err << ErrorLine(SnapshotProblemText(error.problem), base.path, error.detail) << '\n';
    return kExitScanFailed;
  }
  SetDriveLetter(before, options.drive_letter);
  try {
    ScanError open_error = ScanError::kCannotOpen;
    int system_error = 0;
    const std::unique_ptr<RawVolume> volume =
        OpenSourceVolume(source.path, options.partition, &open_error, &system_error);
    if (volume == nullptr) throw ScanFailure(open_error, system_error);
    result = RereadRecords(before, *volume, options.reread);
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    context.err << ScanFailureLine(ErrorOfException(failure), SystemErrorOfException(failure), source,
                                   options.partition)
                << '\n';
    return kExitScanFailed;
  }
  return kExitOk;
}

// The status once output is written: its failure, when `reason` gives one,
// is the line "错误: 无法写入输出。 (where: reason)" and status 1.
int OutputStatus(const std::string& reason, const std::string& where, std::ostream& err) {
  if (reason.empty()) return kExitOk;
  err << ErrorLine(text::kErrorWriteOutput, where, reason) << '\n';
  return kExitScanFailed;
}

int StdoutStatus(const CliContext& context) {
  return OutputStatus(OutputFailure(context.out), Utf16ToUtf8(text::kStandardOutput), context.err);
}

NcduExportOptions NcduOptions() {
  NcduExportOptions ncdu;
  ncdu.progver = VersionNumber();
  ncdu.timestamp = static_cast<std::int64_t>(std::time(nullptr));
  return ncdu;
}

// The two results of --compare. Both SOURCEs are resolved before either is
// opened. Two saved scans are read at once, each with its messages held and
// written in order afterwards; a volume is scanned alone, with its progress
// line.
int ObtainBoth(const CliOptions& options, const CliContext& context, ScanTimings& timings, ScanResult& older,
               ScanResult& newer) {
  ResolvedSource old_source, new_source;
  if (!Resolve(options.compare_old, context, old_source) || !Resolve(options.source, context, new_source)) {
    return kExitUsage;
  }
  const auto saved = [](const ResolvedSource& source) { return source.drive.empty() && IsSnapshotFile(source.path); };
  if (saved(old_source) && saved(new_source)) {
    std::ostringstream older_err, newer_err;
    const CliContext older_context{context.out, older_err, false, context.drive_letters_allowed};
    const CliContext newer_context{context.out, newer_err, false, context.drive_letters_allowed};
    ScanTimings older_timings;
    int older_status = kExitScanFailed;
    int newer_status = kExitScanFailed;
    try {
      std::thread reader(
          [&] { older_status = ObtainResult(old_source, options, older_context, older_timings, older); });
      newer_status = ObtainResult(new_source, options, newer_context, timings, newer);
      reader.join();
    } catch (const std::system_error&) {  // no thread to be had: one after the other
      older_status = ObtainResult(old_source, options, older_context, older_timings, older);
      newer_status = ObtainResult(new_source, options, newer_context, timings, newer);
    }
    context.err << older_err.str();
    if (older_status != kExitOk) return older_status;
    context.err << newer_err.str();
    return newer_status;
  }
  if (const int status = ObtainResult(old_source, options, context, timings, older); status != kExitOk) {
    return status;
  }
  return ObtainResult(new_source, options, context, timings, newer);
}

// The files the run writes, "-" (stdout) left out.
std::vector<PlannedOutput> PlannedOutputs(const CliOptions& options) {
  std::vector<PlannedOutput> outputs;
  if (!options.save.empty()) outputs.push_back({"the saved scan", options.save});
  if (!options.ncdu.empty() && options.ncdu != "-") outputs.push_back({"the ncdu export", options.ncdu});
  if (!options.csv.empty()) outputs.push_back({"the CSV export", options.csv});
  if (!options.treemap.empty()) outputs.push_back({"the treemap picture", options.treemap});
  return outputs;
}

// ---- --find ---------------------------------------------------------------------
void WriteFindOutput(const ScanResult& result, const CliOptions& options, std::ostream& out) {
  const std::int32_t threads =
      options.threads > 0 ? options.threads : static_cast<std::int32_t>(std::thread::hardware_concurrency());
  const SearchAnswer answer = RunSearch(result, Utf8ToUtf16(options.find_query), SearchOrder{}, threads);
  if (options.json) {
    WriteFindJson(result, answer, out);
  } else {
    WriteFindLines(result, answer, out);
  }
}

}  // namespace

std::string TimingsText(const ScanTimings& timings, double elapsed_seconds) {
  const struct {
    const char* name;
    double seconds;
  } stages[] = {{"load", timings.load},    {"slice_pass", timings.slice_pass},
                {"merge", timings.merge},  {"overflow_pass", timings.overflow_pass},
                {"apply", timings.apply},  {"tree", timings.tree},
                {"total", elapsed_seconds}};
  std::string text;
  for (const auto& stage : stages) {
    char line[64];
    std::snprintf(line, sizeof line, "%-14s %12.6f s\n", stage.name, stage.seconds);
    text += line;
  }
  // The MFT's bytes the scan read, of all of them.
  char line[96];
  std::snprintf(line, sizeof line, "%-14s %12lld of %lld bytes\n", "mft_read",
                static_cast<long long>(timings.mft_bytes_read), static_cast<long long>(timings.mft_bytes));
  text += line;
  return text;
}

int RunTarnwickScan(const std::vector<std::string>& args, const CliContext& context) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) return UsageError(context.err, parsed.error);
  const CliOptions& options = parsed.options;
  if (options.help) {
    context.out << UsageText();
    return StdoutStatus(context);
  }
  if (options.version) {
    context.out << VersionText();
    return StdoutStatus(context);
  }
  const bool ncdu_to_file = !options.ncdu.empty() && options.ncdu != "-";
  std::vector<std::string> sources{options.source};
  if (options.compare) sources.push_back(options.compare_old);
  if (!options.reread_from.empty()) sources.push_back(options.reread_from);
  if (const std::string refused = CheckOutputs(PlannedOutputs(options), sources); !refused.empty()) {
    return UsageError(context.err, refused);
  }
  // ---- --find: a bad query is refused before anything is scanned --------------
  if (options.find) {
    const ParsedQuery query = ParseQuery(Utf8ToUtf16(options.find_query));
    if (!query.ok()) {
      context.err << kProgramName << ": " << Utf16ToUtf8(QueryProblemLine(query)) << '\n';
      return kExitUsage;
    }
  }

  ScanTimings timings;
  ScanResult result;
  if (options.compare) {
    ScanResult older;
    if (const int status = ObtainBoth(options, context, timings, older, result); status != kExitOk) return status;
    const ComparedScans scans = CompareScans(MakeGeneration(std::move(older)), MakeGeneration(std::move(result)),
                                             static_cast<std::size_t>(options.top));
    if (!scans.same_volume)
      context.err << Utf16ToUtf8(text::kWarningPrefix) << Utf16ToUtf8(text::kWarningOtherVolume) << '\n';
    if (options.json) {
      WriteCompareJson(scans, options.depth, context.out);
    } else {
      WriteCompareReport(scans, options.depth, context.out);
    }
    return StdoutStatus(context);
  }
  ResolvedSource source;
  if (!Resolve(options.source, context, source)) return kExitUsage;
  const int obtained = options.reread.empty() ? ObtainResult(source, options, context, timings, result)
                                              : RereadOverSavedScan(source, options, context, result);
  if (const int status = obtained; status != kExitOk) {
    return status;
  }
  if (options.scan_time) result.scanned_at = *options.scan_time;
  if (!options.save.empty()) {
    std::string reason;
    if (!SaveSnapshotFile(options.save, result, reason)) {
      context.err << ErrorLine(text::kErrorSnapshotSave, options.save, reason) << '\n';
      return kExitScanFailed;
    }
  }
  // The export's file is made before anything is printed: a name that
  // cannot be written to fails the run alone.
  std::unique_ptr<OutputFile> ncdu_file;
  if (ncdu_to_file) {
    ncdu_file = std::make_unique<OutputFile>(options.ncdu);
    if (!ncdu_file->is_open()) return OutputStatus(ncdu_file->Close(), options.ncdu, context.err);
  }
  if (options.ncdu == "-") {
    WriteNcduExport(result, NcduOptions(), context.out);
  } else if (options.find) {
    WriteFindOutput(result, options, context.out);
  } else if (options.json) {
    WriteResultJson(result, JsonReportOptions{options.top, options.files}, context.out);
  } else {
    WriteTextReport(result, options.depth, context.out);
  }
  int status = StdoutStatus(context);
  if (ncdu_file) {
    WriteNcduExport(result, NcduOptions(), ncdu_file->stream());
    if (const int written = OutputStatus(ncdu_file->Close(), options.ncdu, context.err); written != kExitOk) {
      status = written;
    }
  }
  if (!options.csv.empty()) {
    ExportRequest csv;
    csv.format = ExportFormat::kCsv;
    std::string reason;
    if (!SaveExport(options.csv, result, csv, reason)) {
      status = OutputStatus(reason, options.csv, context.err);
    }
  }
  if (!options.treemap.empty()) {
    const std::string failure =
        WriteTreemapPicture(result, options.treemap, options.treemap_width, options.treemap_height);
    if (!failure.empty()) {
      context.err << failure << '\n';
      status = kExitScanFailed;
    }
  }
  if (context.keep_result) *context.keep_result = std::make_unique<ScanResult>(std::move(result));
  return status;
}

}  // namespace tw
