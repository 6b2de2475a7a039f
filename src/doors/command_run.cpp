// Carries out a parsed command line: checks that cost nothing first (FILE readable, result
// names replaceable), then the load with its progress line, the shared selection engine on
// temporary files, and the renaming that replaces the earlier results in one go.
#include "doors/command_run.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "doors/command_line.h"
#include "doors/command_reports.h"
#include "doors/driver.h"
#include "doors/result_commit.h"
#include "doors/run_files.h"
#include "frames/atom_table.h"
#include "frames/table_loader.h"
#include "picture/frame_plot.h"
#include "picture/plot_svg.h"
#include "platform/platform.h"
#include "results/result_files.h"
#include "runs/engine.h"
#include "runs/frame_run.h"
#include "runs/load_progress.h"
#include "runs/stream_engine.h"
#include "selection/periodic_box.h"
#include "textio/files/whole_file.h"
#include "textio/run/run_time.h"
#include "textio/units/report.h"
#include "textio/units/unit.h"

namespace doors {
namespace {

bool runStarted = false;  // the run's end policy is set

void connectCoordinateFile(const std::string& file) {
  if (file == "-") {
    textio::units::openUnitResolved(
        frames::kCoordinateUnit,
        textio::files::ResolvedName{"CONIN$", true, textio::files::DeviceKind::ConsoleInput},
        "standard input", "OLD", "SEQUENTIAL");
  } else {
    textio::units::openUnitResolved(frames::kCoordinateUnit, textio::files::ResolvedName{file},
                                    absolute(file), "OLD", "SEQUENTIAL");
  }
}

void makeOutputDirectory(const CommandLine& command) {
  if (command.outputDir.empty()) return;
  if (platform::ErrorCode error = platform::makeDirectories(command.outputDir)) {
    failRun("cannot create directory " + textio::freeform::quoted(command.outputDir) + ": " +
            reason(error));
  }
}

void printOrFail(const std::string& text) {
  if (platform::ErrorCode error =
          platform::writeAll(platform::standardOutput(), text.data(), text.size())) {
    failRun("cannot write to standard output: " + reason(error));
  }
}

// A run over the frames of unit 10 (--frames): the result units stay open from the first
// chosen frame to the last, then the series and the chart, and the same renaming.
[[noreturn]] void runTrajectory(CommandLine& command, const std::vector<PlannedFile>& planned) {
  const auto openResults = [&] {
    makeOutputDirectory(command);
    openTemporary(planned, results::kResultUnit);
    openTemporary(planned, results::kIndexUnit);
    if (command.state.wholeResidues == selection::WholeResidues::Yes)
      openTemporary(planned, results::kResidueUnit);
  };
  // --pbc: each chosen frame's atoms at their images in that frame's own box.
  const auto prepareFrame = [&](frames::AtomTable& table, const std::string& boxLine,
                                std::uint64_t index) {
    if (!command.periodic) return;
    if (std::optional<std::string> problem =
            selection::takeNearestImages(table, boxLine, command.state)) {
      failRun(selection::periodicBoxError(shownFile(command), index, *problem));
    }
  };
  const runs::FramesRead read =
      runFrames(command.state, *command.frames, openResults, prepareFrame);
  runs::stopLoadProgress();
  if (read.cutShort) {
    write(platform::standardError(),
          std::string(series::kProgramName) + ": warning: " + *read.cutShort + "; left out\n");
  }
  if (read.chosen.empty()) {
    failRun("--frames " + textio::freeform::quoted(command.framesText) +
            " matches no frame: " + textio::freeform::quoted(shownFile(command)) + " has " +
            std::to_string(read.complete) + (read.complete == 1 ? " frame" : " frames"));
  }
  runs::closeRunFiles();
  writeFromMemory(planned, kSeriesFile, [&] {
    if (series::seriesFormatOf(command.seriesFile) == series::SeriesFormat::Csv)
      return series::seriesCsv(read.chosen);
    return series::seriesXvg(read.chosen, shownFile(command) + ", " + command.region);
  });
  writeFromMemory(planned, kPictureFile, [&] {
    return picture::drawFrameChart(read.chosen, command.state,
                                   {shownFile(command), command.region, 0});
  });
  // As for a single frame, the summary comes before the renames.
  if (!command.quiet) {
    std::string text = series::frameSummary(read.chosen) + "\nwrote";
    for (const PlannedFile& file : planned) text += " " + file.path;
    printOrFail(text + "\n");
  }
  replaceResults(planned);
}

// A single frame streams its atom lines through the passes. With --pbc the box line after
// them is the periodic box of the (only) frame, 0.
runs::SelectionCounts selectStreamed(CommandLine& command,
                                     const std::vector<PlannedFile>& planned) {
  runs::StreamSelection selection(runs::readFrameHeader());
  if (!command.plotFile.empty()) selection.drawPicture();
  if (command.periodic) {
    if (const std::optional<std::string> problem = selection.takePeriodicImages(command.state)) {
      failRun(selection::periodicBoxError(shownFile(command), 0, *problem));
    }
  }
  makeOutputDirectory(command);
  selection::RunState& state = command.state;
  openTemporary(planned, results::kResultUnit);
  openTemporary(planned, results::kIndexUnit);
  const runs::SelectionCounts counts = selection.selectAndCount(state);
  selection.writeSelected(state, [&planned] { openTemporary(planned, results::kResidueUnit); });
  runs::stopLoadProgress();
  runs::closeRunFiles();
  writePicture(
      planned,
      [&](const picture::PlotCaption& caption) {
        picture::PlotCaption withCount = caption;
        withCount.atoms = static_cast<std::int64_t>(selection.atoms());
        return plotSvg(*selection.picture(), state, withCount);
      },
      command);
  return counts;
}

[[noreturn]] void run(CommandLine& command, std::optional<std::uint64_t> fileSize) {
  const std::vector<PlannedFile> planned = planFiles(command);
  std::optional<std::string> problem = unusableDirectory(command.outputDir);
  if (!problem) problem = unreplaceable(planned);
  if (problem) {
    write(platform::standardError(), std::string(series::kProgramName) + ": " + *problem + "\n");
    platform::exitProcess(1);
  }

  runStarted = true;
  textio::reports::EndPolicy policy;
  policy.traceback = false;
  policy.signalStatuses = true;
  policy.terminateEvent = true;
  policy.beforeReport = &beforeAnyReport;
  policy.atEnd = &removeTemporaries;
  policy.reportLine = &commandReportLine;
  textio::reports::setEndPolicy(policy);
  textio::run::initRunTime();

  connectCoordinateFile(command.file);
  if (platform::isTerminal(platform::standardError())) {
    const platform::Handle file = textio::units::findUnit(frames::kCoordinateUnit)->handle;
    if (!fileSize) {
      runs::startStreamProgress(file);
    } else if (*fileSize > runs::kProgressThreshold) {
      runs::startLoadProgress(file, *fileSize);
    }
  }
  if (command.frames) runTrajectory(command, planned);
  const runs::SelectionCounts counts = selectStreamed(command, planned);

  // The counts and names come before the renames: output that cannot be written fails the run
  // while the earlier results are still in place.
  if (!command.quiet) {
    std::string text = std::to_string(counts.atoms) + " atoms in " +
                       std::to_string(counts.residues) + " residues\nwrote";
    for (const PlannedFile& file : planned) text += " " + file.path;
    printOrFail(text + "\n");
  }
  replaceResults(planned);
}

}  // namespace

int runCommandLine(std::span<const std::string_view> arguments) {
  CommandLine command = parseCommandLine(arguments);
  if (command.action == CommandAction::Run) checkPicturePath(command);
  switch (command.action) {
    case CommandAction::Help:
      write(platform::standardOutput(), helpText());
      return 0;
    case CommandAction::Version:
      write(platform::standardOutput(),
            std::string(series::kProgramName) + " " + std::string(series::kVersion) + "\n");
      return 0;
    case CommandAction::UsageError:
      write(platform::standardError(), std::string(series::kProgramName) + ": " + command.error +
                                           "\nTry '" + std::string(series::kProgramName) +
                                           " --help'.\n");
      return 2;
    case CommandAction::Run:
      break;
  }
  std::optional<std::uint64_t> fileSize;
  // A FIFO is opened once only: a reader that opens it and lets it go again can leave its
  // writer with no reader for a moment, and a write then fails (gmx trjconv stops there).
  if (command.file != "-" && !platform::isPipe(command.file)) {
    const platform::OpenResult probe = platform::openFile(
        command.file, platform::Creation::OpenExisting, platform::Access::ReadOnly);
    if (probe.error != 0) {
      write(platform::standardError(), std::string(series::kProgramName) + ": cannot read " +
                                           textio::freeform::quoted(command.file) + ": " +
                                           reason(probe.error) + "\n");
      return 1;
    }
    fileSize = platform::fileSize(probe.handle);
    platform::closeHandle(probe.handle);
  }
  run(command, fileSize);
}

int runTool(std::span<const std::string_view> arguments) {
  try {
    if (!arguments.empty()) return runCommandLine(arguments);
    textio::run::initRunTime();
    run();
    textio::run::endRun();
  } catch (const std::bad_alloc&) {
    // Before a command-line run has set its policy: the report without traceback all the same.
    if (!arguments.empty() && !runStarted) {
      textio::reports::EndPolicy policy;
      policy.traceback = false;
      policy.reportLine = &commandReportLine;
      textio::reports::setEndPolicy(policy);
    }
    textio::units::issueReport(textio::reports::severeCode(41));
  }
  std::abort();  // both doors and a severe report end the process themselves
}

}  // namespace doors
