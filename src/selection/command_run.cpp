// Carries out a parsed command line: checks that cost nothing first (FILE readable, result
// names replaceable), then the load with its progress line, the shared selection engine on
// temporary files, and the renaming that replaces the earlier results in one go.
#include "selection/command_run.h"

#include <array>
#include <cerrno>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "selection/atom_table.h"
#include "selection/command_line.h"
#include "selection/engine.h"
#include "selection/load_progress.h"
#include "selection/periodic_box.h"
#include "selection/plot_svg.h"
#include "selection/result_files.h"
#include "selection/stream_engine.h"
#include "textio/run_time.h"
#include "textio/unit.h"
#include "textio/whole_file.h"

namespace selection {
namespace {

// The result files a run can write, in the order they are named on standard output. Each is
// written under a temporary name while the run lasts.
struct ResultFile {
  int unit;
  std::string_view name;
  bool wholeResiduesOnly;
};
// The picture is no unit's file: it is written at once from memory.
constexpr int kPictureFile = 0;

constexpr std::array kResultFiles{ResultFile{kResultUnit, "result.gro", false},
                                  ResultFile{kIndexUnit, "list.ndx", false},
                                  ResultFile{kResidueUnit, "residue.txt", true}};

// One result file of this run: its path, the name reports give, and the temporary name it
// is written under. Paths are used as given (never folded lexically, which a link in DIR
// would make wrong); only reports show the absolute form, as for every file.
struct PlannedFile {
  int unit;
  std::string path;       // DIR/name as the user gave DIR
  std::string reported;   // its absolute form
  std::string temporary;  // DIR/.name.PID.tmp
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

void removeTemporaries() {
  Temporaries& list = temporaries();
  std::lock_guard lock(list.mutex);
  for (const std::string& path : list.paths) platform::removeFile(path);
  list.paths.clear();
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
  stopLoadProgress();
  write(platform::standardError(), std::string(kProgramName) + ": " + message + "\n");
  textio::closeAllUnits();
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

// The hidden name a file is written under in `directory`: .name.PID.tmp. A name left by an
// earlier process of the same number is passed over (.name.PID-1.tmp, ...), so that the
// clean-up never removes a file this run did not create.
std::string temporaryPath(std::string_view directory, std::string_view name,
                          const std::string& pid) {
  std::string temporary;
  for (int attempt = 0; temporary.empty() || platform::nameAttributes(temporary).exists;
       ++attempt) {
    std::string hidden(1, '.');
    hidden.append(name).append(1, '.').append(pid);
    if (attempt > 0) hidden.append(1, '-').append(std::to_string(attempt));
    temporary = joined(directory, hidden.append(".tmp"));
  }
  return temporary;
}

std::vector<PlannedFile> planFiles(const CommandLine& command) {
  std::vector<PlannedFile> planned;
  const std::string pid = std::to_string(platform::processId());
  for (const ResultFile& file : kResultFiles) {
    if (file.wholeResiduesOnly && command.state.wholeResidues != WholeResidues::Yes) continue;
    const std::string path = joined(command.outputDir, file.name);
    planned.push_back(
        {file.unit, path, absolute(path), temporaryPath(command.outputDir, file.name, pid)});
  }
  // The picture goes where --plot says, relative to the current directory, not into DIR.
  if (!command.plotFile.empty()) {
    const auto [directory, name] = splitPath(command.plotFile);
    planned.push_back({kPictureFile, command.plotFile, absolute(command.plotFile),
                       temporaryPath(directory, name, pid)});
  }
  return planned;
}

// The picture of the run under its temporary name, renamed later with the other files. The
// temporary name must be new, like the others: a link planted under it is never followed.
void writePicture(const std::vector<PlannedFile>& planned,
                  const std::function<std::string(const PlotCaption&)>& draw,
                  const CommandLine& command) {
  for (const PlannedFile& file : planned) {
    if (file.unit != kPictureFile) continue;
    {
      Temporaries& list = temporaries();
      std::lock_guard lock(list.mutex);
      list.paths.push_back(file.temporary);
    }
    const std::string shownFile = command.file == "-" ? "standard input" : command.file;
    const std::string svg = draw({shownFile, command.region, 0});
    if (platform::ErrorCode error = textio::writeNewFile(file.temporary, svg)) {
      failRun("cannot write " + quoted(file.path) + ": " + reason(error));
    }
  }
}

// A --plot path whose directory does not exist can never be written: a usage error.
void checkPicturePath(CommandLine& command) {
  if (command.plotFile.empty()) return;
  const std::string directory = splitPath(command.plotFile).first;
  if (platform::nameAttributes(directory).directory) return;
  command.action = CommandAction::UsageError;
  command.error = "--plot: directory " + quoted(directory) + " does not exist";
}

// A result name that is a directory can never be replaced: found before any work is done.
std::optional<std::string> unreplaceable(const std::vector<PlannedFile>& planned) {
  for (const PlannedFile& file : planned) {
    if (platform::nameAttributes(file.path).directory) {
      return "cannot replace " + quoted(file.path) + ": " + reason(EISDIR);
    }
  }
  return std::nullopt;
}

// An output directory that exists as something else: found before any work is done.
std::optional<std::string> unusableDirectory(const std::string& directory) {
  if (directory.empty()) return std::nullopt;
  const platform::NameAttributes attributes = platform::nameAttributes(directory);
  if (!attributes.exists || attributes.directory) return std::nullopt;
  return "cannot create directory " + quoted(directory) + ": " + reason(ENOTDIR);
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
    textio::openUnitResolved(unit, textio::ResolvedName{file.temporary}, file.reported, "NEW");
  }
}

// Renames every temporary file into place; the guard keeps a console event from removing a
// file between two renames.
void replaceResults(const std::vector<PlannedFile>& planned) {
  if (std::optional<std::string> problem = unreplaceable(planned)) failRun(*problem);
  Temporaries& list = temporaries();
  std::unique_lock lock(list.mutex);
  for (const PlannedFile& file : planned) {
    if (platform::ErrorCode error = platform::renameFile(file.temporary, file.path)) {
      lock.unlock();
      failRun("cannot replace " + quoted(file.path) + ": " + reason(error));
    }
  }
  list.paths.clear();
}

void connectCoordinateFile(const std::string& file) {
  if (file == "-") {
    textio::openUnitResolved(kCoordinateUnit,
                             textio::ResolvedName{"CONIN$", true, textio::DeviceKind::ConsoleInput},
                             "standard input", "OLD", "SEQUENTIAL");
  } else {
    textio::openUnitResolved(kCoordinateUnit, textio::ResolvedName{file}, absolute(file), "OLD",
                             "SEQUENTIAL");
  }
}

// --pbc: the box line after the atom lines is the periodic box of the (only) frame, 0.
void takePeriodicImages(AtomTable& table, const CommandLine& command) {
  if (!command.periodic) return;
  const std::optional<std::string> problem = takeNearestImages(table, readBoxLine(), command.state);
  if (problem) {
    const std::string shownFile = command.file == "-" ? "standard input" : command.file;
    failRun(periodicBoxError(shownFile, 0, *problem));
  }
}

void makeOutputDirectory(const CommandLine& command) {
  if (command.outputDir.empty()) return;
  if (platform::ErrorCode error = platform::makeDirectories(command.outputDir)) {
    failRun("cannot create directory " + quoted(command.outputDir) + ": " + reason(error));
  }
}

// --pbc moves every atom of the frame before any test, with the box line read after the atom
// lines: it keeps the whole frame in a table.
SelectionCounts selectFromTable(CommandLine& command, const std::vector<PlannedFile>& planned) {
  AtomTable table = loadConnected();
  stopLoadProgress();
  takePeriodicImages(table, command);
  makeOutputDirectory(command);
  RunState& state = command.state;
  const NumberLayout numbers = numberLayoutOf(table);
  openTemporary(planned, kResultUnit);
  openTemporary(planned, kIndexUnit);
  const SelectionCounts counts = selectAndCount(table, state, numbers);
  writeSelected(table, state, numbers, [&planned] { openTemporary(planned, kResidueUnit); });
  closeRunFiles();
  writePicture(
      planned,
      [&](const PlotCaption& caption) { return drawSelection(table, command.state, caption); },
      command);
  return counts;
}

// Every other run streams the atom lines through the passes.
SelectionCounts selectStreamed(CommandLine& command, const std::vector<PlannedFile>& planned) {
  StreamSelection selection(readFrameHeader());
  if (!command.plotFile.empty()) selection.drawPicture();
  makeOutputDirectory(command);
  RunState& state = command.state;
  openTemporary(planned, kResultUnit);
  openTemporary(planned, kIndexUnit);
  const SelectionCounts counts = selection.selectAndCount(state);
  selection.writeSelected(state, [&planned] { openTemporary(planned, kResidueUnit); });
  stopLoadProgress();
  closeRunFiles();
  writePicture(
      planned,
      [&](const PlotCaption& caption) {
        PlotCaption withCount = caption;
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
    write(platform::standardError(), std::string(kProgramName) + ": " + *problem + "\n");
    platform::exitProcess(1);
  }

  textio::EndPolicy policy;
  policy.traceback = false;
  policy.signalStatuses = true;
  policy.beforeReport = &stopLoadProgress;
  policy.atEnd = &removeTemporaries;
  textio::setEndPolicy(policy);
  textio::initRunTime();

  connectCoordinateFile(command.file);
  if (fileSize && *fileSize > kProgressThreshold &&
      platform::isTerminal(platform::standardError())) {
    startLoadProgress(textio::findUnit(kCoordinateUnit)->handle, *fileSize);
  }
  const SelectionCounts counts =
      command.periodic ? selectFromTable(command, planned) : selectStreamed(command, planned);
  replaceResults(planned);

  if (!command.quiet) {
    std::string text = std::to_string(counts.atoms) + " atoms in " +
                       std::to_string(counts.residues) + " residues\nwrote";
    for (const PlannedFile& file : planned) text += " " + file.path;
    text += "\n";
    if (platform::ErrorCode error =
            platform::writeAll(platform::standardOutput(), text.data(), text.size())) {
      failRun("cannot write to standard output: " + reason(error));
    }
  }
  textio::endRun();
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
            std::string(kProgramName) + " " + std::string(kVersion) + "\n");
      return 0;
    case CommandAction::UsageError:
      write(platform::standardError(), std::string(kProgramName) + ": " + command.error +
                                           "\nTry '" + std::string(kProgramName) + " --help'.\n");
      return 2;
    case CommandAction::Run:
      break;
  }
  std::optional<std::uint64_t> fileSize;
  if (command.file != "-") {
    const platform::OpenResult probe = platform::openFile(
        command.file, platform::Creation::OpenExisting, platform::Access::ReadOnly);
    if (probe.error != 0) {
      write(platform::standardError(), std::string(kProgramName) + ": cannot read " +
                                           quoted(command.file) + ": " + reason(probe.error) +
                                           "\n");
      return 1;
    }
    fileSize = platform::fileSize(probe.handle);
    platform::closeHandle(probe.handle);
  }
  run(command, fileSize);
}

}  // namespace selection
