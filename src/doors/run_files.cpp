// The result set of a command-line run: the files it plans, the hidden temporary names they
// are written under, their removal on every path, and the renaming that replaces an earlier
// set whole or not at all; with the run's own error line.
#include "doors/run_files.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

#include "doors/result_commit.h"
#include "results/result_files.h"
#include "runs/load_progress.h"
#include "series/program_name.h"
#include "textio/files/whole_file.h"
#include "textio/freeform/typed_text.h"
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

constexpr std::array kResultFiles{ResultFile{results::kResultUnit, "result.gro", false},
                                  ResultFile{results::kIndexUnit, "list.ndx", false},
                                  ResultFile{results::kResidueUnit, "residue.txt", true}};

}  // namespace

namespace {

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

}  // namespace

void removeTemporaries() {
  Temporaries& list = temporaries();
  std::lock_guard lock(list.mutex);
  removeHeldTemporaries(list);
}

namespace {

// Set while the result set is being replaced: the main thread then ends the run itself, with
// the status that matches the files, and a console event must not end it with another.
std::atomic<bool> committing{false};
std::thread::id committer;
constexpr std::string_view kOutOfMemoryLine =
    "gro-region: cannot replace the result files: Cannot allocate memory\n";

}  // namespace

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

namespace {

std::string joined(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string path(directory);
  if (path.back() != '/') path += '/';
  return path + std::string(name);
}

}  // namespace

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

namespace {

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

}  // namespace

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
  writeFromMemory(planned, kPictureFile, [&] {
    return draw({shownFile(command), command.region, 0});
  });
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
    if (outcome.failure) lines = std::string(series::kProgramName) + ": " + *outcome.failure + "\n";
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

}  // namespace doors
