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
#include "frames/atom_table.h"
#include "frames/table_loader.h"
#include "picture/frame_plot.h"
#include "picture/plot_svg.h"
#include "platform/platform.h"
#include "doors/result_commit.h"
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

// The result files a run can write, in the order they are named on standard output. Each is
// written under a temporary name while the run lasts.
struct ResultFile {
  int unit;
  std::string_view name;
  bool wholeResiduesOnly;
};
// The picture and the series are no unit's files: they are written at once from memory.
constexpr int kPictureFile = 0;
constexpr int kSeriesFile = -1;

constexpr std::array kResultFiles{ResultFile{results::kResultUnit, "result.gro", false},
                                  ResultFile{results::kIndexUnit, "list.ndx", false},
                                  ResultFile{results::kResidueUnit, "residue.txt", true}};

// One result file of this run: its path, the name reports give, and the temporary name it
// is written under. Paths are used as given (never folded lexically, which a link in DIR
// would make wrong); only reports show the absolute form, as for every file.
struct PlannedFile {
  int unit;
  std::string path;       // DIR/name as the user gave DIR
  std::string reported;   // its absolute form
  std::string temporary;  // DIR/.name.PID.tmp
  std::string backup;     // DIR/.name.PID.old, the earlier file's name while the set is replaced
};

// Temporary files not yet renamed into place. The console-event thread removes them too, so
// the list is guarded; the renaming holds the guard so that an event sees all or none.
struct Temporaries {
  std::mutex mutex;
  std::vector<std::string> paths;
};
Temporaries& temporaries() {
  static auto* list = new Temporaries;  // never destroyed: the process may end on any thread
  return *list;
}

// Removes the temporaries; the caller holds the list's guard.
void removeHeldTemporaries(Temporaries& list) {
  for (const std::string& path : list.paths) platform::removeFile(path);
  list.paths.clear();
}

void removeTemporaries() {
  Temporaries& list = temporaries();
  std::lock_guard lock(list.mutex);
  removeHeldTemporaries(list);
}

// Set while the result set is being replaced: the main thread then ends the run itself, with
// the status that matches the files, and a console event must not end it with another.
std::atomic<bool> committing{false};
bool runStarted = false;  // the run's end policy is set
std::thread::id committer;
constexpr std::string_view kOutOfMemoryLine =
    "gro-region: cannot replace the result files: Cannot allocate memory\n";

// Before any report line, on whichever thread: the progress line erased, and a console event
// that comes while the set is replaced kept waiting (on the guard the main thread holds until
// the process ends), so that it never gives a failure status over a replaced set.
void beforeAnyReport() {
  runs::stopLoadProgress();
  if (committing.load() && std::this_thread::get_id() != committer) {
    std::lock_guard wait(temporaries().mutex);
  }
}

void write(platform::Handle stream, std::string_view text) {
  platform::writeAll(stream, text.data(), text.size());
}

std::string reason(platform::ErrorCode error) {
  return platform::errorText(error).value_or("error " + std::to_string(error));
}

std::string absolute(std::string_view path) {
  return platform::absolutePath(path).value_or(std::string(path));
}

std::string joined(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string path(directory);
  if (path.back() != '/') path += '/';
  return path + std::string(name);
}

// A failure the command line reports itself, after the I/O layer has started.
[[noreturn]] void failRun(const std::string& message) {
  runs::stopLoadProgress();
  write(platform::standardError(), std::string(series::kProgramName) + ": " + message + "\n");
  textio::units::closeAllUnits();
  removeTemporaries();
  platform::exitProcess(1);
}

// The directory part of a path ("." for a bare name) and the name after the last slash.
std::pair<std::string, std::string> splitPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {".", std::string(path)};
  return {slash == 0 ? "/" : std::string(path.substr(0, slash)),
          std::string(path.substr(slash + 1))};
}

// The hidden name a file is written under in `directory`: .name.PID.tmp (.name.PID.old for
// the earlier file while the set is replaced). A name left by an earlier process of the same
// number is passed over (.name.PID-1.tmp, ...), so that the clean-up never removes a file
// this run did not create.
std::string temporaryPath(std::string_view directory, std::string_view name, const std::string& pid,
                          std::string_view suffix = ".tmp") {
  std::string temporary;
  for (int attempt = 0; temporary.empty() || platform::nameAttributes(temporary).exists;
       ++attempt) {
    std::string hidden(1, '.');
    hidden.append(name).append(1, '.').append(pid);
    if (attempt > 0) hidden.append(1, '-').append(std::to_string(attempt));
    temporary = joined(directory, hidden.append(suffix));
  }
  return temporary;
}

std::vector<PlannedFile> planFiles(const CommandLine& command) {
  std::vector<PlannedFile> planned;
  const std::string pid = std::to_string(platform::processId());
  for (const ResultFile& file : kResultFiles) {
    if (file.wholeResiduesOnly && command.state.wholeResidues != selection::WholeResidues::Yes)
      continue;
    const std::string path = joined(command.outputDir, file.name);
    planned.push_back({file.unit, path, absolute(path),
                       temporaryPath(command.outputDir, file.name, pid),
                       temporaryPath(command.outputDir, file.name, pid, ".old")});
  }
  // The picture and the series go where --plot and --series say, relative to the current
  // directory, not into DIR.
  for (const auto& [unit, given] :
       {std::pair{kPictureFile, &command.plotFile}, std::pair{kSeriesFile, &command.seriesFile}}) {
    if (given->empty()) continue;
    const auto [directory, name] = splitPath(*given);
    planned.push_back({unit, *given, absolute(*given), temporaryPath(directory, name, pid),
                       temporaryPath(directory, name, pid, ".old")});
  }
  return planned;
}

// A file written at once from memory (`kind` kPictureFile or kSeriesFile) under its
// temporary name, renamed later with the other files. `text` is made only when the file is
// planned. The temporary name must be new, like the others: a link planted under it is
// never followed.
void writeFromMemory(const std::vector<PlannedFile>& planned, int kind,
                     const std::function<std::string()>& text) {
  for (const PlannedFile& file : planned) {
    if (file.unit != kind) continue;
    {
      Temporaries& list = temporaries();
      std::lock_guard lock(list.mutex);
      list.paths.push_back(file.temporary);
    }
    if (platform::ErrorCode error = textio::files::writeNewFile(file.temporary, text())) {
      failRun("cannot write " + textio::freeform::quoted(file.path) + ": " + reason(error));
    }
  }
}

std::string shownFile(const CommandLine& command) {
  return command.file == "-" ? "standard input" : command.file;
}

// The picture of the run under its temporary name.
void writePicture(const std::vector<PlannedFile>& planned,
                  const std::function<std::string(const picture::PlotCaption&)>& draw,
                  const CommandLine& command) {
  writeFromMemory(planned, kPictureFile,
                  [&] { return draw({shownFile(command), command.region, 0}); });
}

// A --plot or --series path whose directory does not exist can never be written: a usage
// error.
void checkPicturePath(CommandLine& command) {
  for (const auto& [option, given] :
       {std::pair{"--plot", &command.plotFile}, std::pair{"--series", &command.seriesFile}}) {
    if (given->empty()) continue;
    const std::string directory = splitPath(*given).first;
    if (platform::nameAttributes(directory).directory) continue;
    command.action = CommandAction::UsageError;
    command.error = std::string(option) + ": directory " + textio::freeform::quoted(directory) +
                    " does not exist";
    return;
  }
}

// A result name that is a directory can never be replaced: found before any work is done.
std::optional<std::string> unreplaceable(const std::vector<PlannedFile>& planned) {
  for (const PlannedFile& file : planned) {
    if (platform::nameAttributes(file.path).directory) {
      return "cannot replace " + textio::freeform::quoted(file.path) + ": " + reason(EISDIR);
    }
  }
  return std::nullopt;
}

// An output directory that exists as something else: found before any work is done.
std::optional<std::string> unusableDirectory(const std::string& directory) {
  if (directory.empty()) return std::nullopt;
  const platform::NameAttributes attributes = platform::nameAttributes(directory);
  if (!attributes.exists || attributes.directory) return std::nullopt;
  return "cannot create directory " + textio::freeform::quoted(directory) + ": " + reason(ENOTDIR);
}

void openTemporary(const std::vector<PlannedFile>& planned, int unit) {
  for (const PlannedFile& file : planned) {
    if (file.unit != unit) continue;
    {
      Temporaries& list = temporaries();
      std::lock_guard lock(list.mutex);
      list.paths.push_back(file.temporary);
    }
    // NEW: a name that exists already (a link planted in a shared directory) is never
    // written through.
    textio::units::openUnitResolved(unit, textio::files::ResolvedName{file.temporary},
                                    file.reported, "NEW");
  }
}

// Replaces the earlier results by the new set, whole or not at all, and ends the run: status
// 0 with the new set, 1 with the earlier files as they were. The guard is held until the
// process ends, so a console event neither removes a file between two renames nor ends the
// run with a failure status once the set is replaced. Every unit is closed by now, so nothing
// here waits for the run-time lock that such an event holds.
[[noreturn]] void replaceResults(const std::vector<PlannedFile>& planned) {
  if (std::optional<std::string> problem = unreplaceable(planned)) failRun(*problem);
  std::vector<Replacement> files;
  for (const PlannedFile& file : planned) files.push_back({file.temporary, file.path, file.backup});
  Temporaries& list = temporaries();
  list.mutex.lock();
  committer = std::this_thread::get_id();
  committing = true;
  bool replaced = false;
  try {
    const CommitOutcome outcome = replaceWhole(files);
    replaced = !outcome.failure;
    std::string lines;
    if (outcome.failure)
      lines = std::string(series::kProgramName) + ": " + *outcome.failure + "\n";
    for (const std::string& leftover : outcome.leftovers) {
      lines += std::string(series::kProgramName) + ": " + leftover + "\n";
    }
    write(platform::standardError(), lines);
  } catch (const std::bad_alloc&) {
    // Only the list of earlier files (before any rename) and the messages take memory here;
    // the report cannot wait for the guard this thread holds.
    if (!replaced) write(platform::standardError(), kOutOfMemoryLine);
  }
  if (!replaced) {
    removeHeldTemporaries(list);
    platform::exitProcess(1);
  }
  list.paths.clear();
  platform::exitProcess(0);
}

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

// --pbc: the box line after the atom lines is the periodic box of the (only) frame, 0.
void takePeriodicImages(frames::AtomTable& table, const CommandLine& command) {
  if (!command.periodic) return;
  const std::optional<std::string> problem =
      takeNearestImages(table, frames::readBoxLine(), command.state);
  if (problem) {
    failRun(selection::periodicBoxError(shownFile(command), 0, *problem));
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

// --pbc moves every atom of the frame before any test, with the box line read after the atom
// lines: it keeps the whole frame in a table.
runs::SelectionCounts selectFromTable(CommandLine& command,
                                      const std::vector<PlannedFile>& planned) {
  frames::AtomTable table = frames::loadConnected();
  runs::stopLoadProgress();
  takePeriodicImages(table, command);
  makeOutputDirectory(command);
  selection::RunState& state = command.state;
  const results::NumberLayout numbers = runs::numberLayoutOf(table);
  openTemporary(planned, results::kResultUnit);
  openTemporary(planned, results::kIndexUnit);
  const runs::SelectionCounts counts = runs::selectAndCount(table, state, numbers);
  runs::writeSelected(table, state, numbers,
                      [&planned] { openTemporary(planned, results::kResidueUnit); });
  runs::closeRunFiles();
  writePicture(
      planned,
      [&](const picture::PlotCaption& caption) {
        return drawSelection(table, command.state, caption);
      },
      command);
  return counts;
}

// Every other run streams the atom lines through the passes.
runs::SelectionCounts selectStreamed(CommandLine& command,
                                     const std::vector<PlannedFile>& planned) {
  runs::StreamSelection selection(runs::readFrameHeader());
  if (!command.plotFile.empty()) selection.drawPicture();
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
  if (fileSize && *fileSize > runs::kProgressThreshold &&
      platform::isTerminal(platform::standardError())) {
    runs::startLoadProgress(textio::units::findUnit(frames::kCoordinateUnit)->handle, *fileSize);
  }
  if (command.frames) runTrajectory(command, planned);
  const runs::SelectionCounts counts =
      command.periodic ? selectFromTable(command, planned) : selectStreamed(command, planned);

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
