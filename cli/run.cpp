#include "cli/run.h"

#include <cstdio>
#include <exception>

#include "cli/options.h"
#include "cli/progress_line.h"
#include "cli/report.h"
#include "cli/result_json.h"
#include "cli/scan_source.h"
#include "engine/scan_worker.h"
#include "views/scan_progress_text.h"

namespace tw {
namespace {

constexpr char kProgramName[] = "tarnwick-scan";

int UsageError(std::ostream& err, const std::string& reason) {
  err << kProgramName << ": " << reason << " (try --help)\n";
  return kExitUsage;
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
  return text;
}

int RunTarnwickScan(const std::vector<std::string>& args, const CliContext& context) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) return UsageError(context.err, parsed.error);
  const CliOptions& options = parsed.options;
  if (options.help) {
    context.out << UsageText();
    return kExitOk;
  }
  if (options.version) {
    context.out << VersionText();
    return kExitOk;
  }

  const ResolvedSource source = ResolveSource(options.source, context.drive_letters_allowed);
  if (!source.error.empty()) {
    context.err << kProgramName << ": " << source.error << '\n';
    return kExitUsage;
  }
  std::wstring drive = options.drive_letter;
  if (drive.empty()) drive = source.drive.empty() ? L"X" : source.drive;

  ScanTimings timings;
  ScanOptions scan_options;
  scan_options.threads = options.threads;
  scan_options.partition = options.partition;
  scan_options.timings = &timings;

  ProgressPrinter printer(context.err);
  ProgressCallback progress;
  if (context.err_is_terminal && !options.quiet) {
    progress = [&printer](const ScanProgress& p) { printer.Report(ScanProgressValue(p), ScanProgressText(p)); };
  }

  ScanResult result;
  try {
    result = ScanSourceMft(source.path, drive, progress, scan_options);
  } catch (...) {
    printer.Finish();
    context.err << ScanFailureLine(ErrorOfException(std::current_exception()), source, options.partition) << '\n';
    return kExitScanFailed;
  }
  printer.Finish();

  if (const std::string warning = UnreadableWarning(result); !warning.empty()) context.err << warning << '\n';
  if (options.timings) context.err << TimingsText(timings, result.elapsed_seconds);
  if (options.json) {
    WriteResultJson(result, JsonReportOptions{options.top, options.files}, context.out);
  } else {
    WriteTextReport(result, options.depth, context.out);
  }
  context.out.flush();
  if (context.keep_result) *context.keep_result = std::make_unique<ScanResult>(std::move(result));
  return kExitOk;
}

}  // namespace tw
