// Building and writing run-time reports: severity labels, the filled template, the system
// line, the traceback table, the report stream (FORT0) and the diagnostic log; and the
// environment switch test that the report settings use.
#include "textio/reports/report_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "textio/reports/end_policy.h"
#include "textio/reports/run_lock.h"

namespace textio::reports {

namespace {

constexpr std::size_t kMaxTracebackFrames = 20;

// Indexed by severity, plus one above severity 1: "warning" is never produced by a code.
constexpr std::array<std::string_view, 5> kSeverityLabels{
    "forrtl", "forrtl: info", "forrtl: warning", "forrtl: error", "forrtl: severe"};

std::string_view severityLabel(ReportCode code) {
  unsigned severity = reportSeverity(code);
  return kSeverityLabels[severity > 1 ? severity + 1 : severity];
}

// printf-style filling of our own templates: "%d" takes the unit, "%s" the file name or text.
// Done by hand so that a file name is copied byte for byte and never read as a format.
std::string fillTemplate(std::string_view text, ReportArguments arguments, int unit,
                         std::string_view file) {
  std::string filled;
  bool unitTaken = false;
  bool textTaken = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      char conversion = text[i + 1];
      if (conversion == 'd' && arguments == ReportArguments::UnitAndFile && !unitTaken) {
        filled += std::to_string(unit);
        unitTaken = true;
        ++i;
        continue;
      }
      if (conversion == 's' && arguments != ReportArguments::None && !textTaken) {
        filled += file;
        textTaken = true;
        ++i;
        continue;
      }
      if (conversion == '%') {
        filled += '%';
        ++i;
        continue;
      }
    }
    filled += text[i];
  }
  return filled;
}

std::string systemLine(int systemError) {
  std::string line = "forrtl: ";
  if (std::optional<std::string> text = platform::errorText(systemError)) {
    line += *text;
  } else {
    line += "FormatMessage failed for sysmem message number " + std::to_string(systemError);
  }
  line += "\r\n";
  return line;
}

std::string formatted(const char* layout, auto... values) {
  char buffer[512];
  int length = std::snprintf(buffer, sizeof buffer, layout, values...);
  if (length < 0) return {};
  if (static_cast<std::size_t>(length) < sizeof buffer) return std::string(buffer, length);
  std::string large(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(large.data(), large.size(), layout, values...);
  large.resize(static_cast<std::size_t>(length));
  return large;
}

bool standardErrorRedirected = false;

}  // namespace

bool environmentSwitch(const char* name) {
  std::optional<std::string> value = platform::environmentVariable(name);
  if (!value || value->empty()) return false;
  char first = value->front();
  if (first == 't' || first == 'T' || first == 'y' || first == 'Y') return true;
  bool anyNonZero = false;
  for (char c : *value) {
    if (c < '0' || c > '9') return false;
    anyNonZero = anyNonZero || c != '0';
  }
  return anyNonZero;
}

std::string reportText(ReportCode code, ReportArguments arguments, int unit, std::string_view file,
                       int systemError) {
  std::string text;
  if (systemError != 0) text = systemLine(systemError);
  text += severityLabel(code);
  text += " (" + std::to_string(reportNumber(code)) + "): ";
  text += fillTemplate(reportTemplate(code), arguments, unit, file);
  return text;
}

std::string tracebackText() {
  std::vector<platform::StackFrame> frames = platform::callStack(kMaxTracebackFrames);
  std::string text = formatted("%-19.19s%-10.10s%-19.19s%-12.12s%-19.19s\n", "Image", "PC",
                               "Routine", "Line", "Source");
  for (const platform::StackFrame& frame : frames) {
    // Line numbers and source files would need debugging information: always unknown here.
    text +=
        formatted("%-17.17s  %8.8lX  %-17.17s  %10.10s  %s\n",
                  frame.image.empty() ? "Unknown" : frame.image.c_str(),
                  static_cast<unsigned long>(frame.address),
                  frame.routine.empty() ? "Unknown" : frame.routine.c_str(), "Unknown", "Unknown");
  }
  return text;
}

namespace detail {

void emitReport(ReportCode code, ReportArguments arguments, int unit, std::string_view file,
                int systemError) {
  RunTimeHold hold;
  const EndPolicy& policy = endPolicy();
  if (policy.beforeReport != nullptr) policy.beforeReport();
  // A caller's own one-line form ends a run with one line: what fails after the first severe
  // report (the closing of the other units) is not reported again.
  static bool severeEmitted = false;
  if (policy.reportLine != nullptr && severeEmitted) return;
  if (reportSeverity(code) == 3) severeEmitted = true;
  std::string text;
  if (policy.reportLine != nullptr && arguments != ReportArguments::Text) {
    std::string_view message = reportTemplate(code);
    message = message.substr(0, std::min(message.find(", unit"), message.find('\r')));
    text = policy.reportLine(code, message, unit,
                             arguments == ReportArguments::UnitAndFile ? file : std::string_view(),
                             systemError);
  }
  if (text.empty()) {
    text = reportText(code, arguments, unit, file, systemError);
    if (reportSeverity(code) == 3 && policy.traceback &&
        !environmentSwitch("FOR_DISABLE_STACK_TRACE")) {
      text += tracebackText();
    }
  }
  if (!standardErrorRedirected) {
    standardErrorRedirected = true;
    std::optional<std::string> fort0 = platform::environmentVariable("FORT0");
    // A file that cannot be opened leaves the report on the original stream.
    if (fort0 && !fort0->empty()) platform::redirectStandardError(*fort0);
  }
  // A report stream that cannot be written has nowhere left to report to.
  if (!environmentSwitch("FOR_DISABLE_DIAGNOSTIC_DISPLAY")) {
    platform::writeAll(platform::standardError(), text.data(), text.size());
  }
  std::optional<std::string> log = platform::environmentVariable("FOR_DIAGNOSTIC_LOG_FILE");
  if (log && !log->empty()) platform::appendToFile(*log, text);
}

}  // namespace detail

}  // namespace textio::reports
