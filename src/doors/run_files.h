// The result set of a command-line run: which files it writes, under which temporary names,
// and how they replace the results of an earlier run in one go. Every failure after the I/O
// layer has started goes through failRun, which removes the temporaries.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doors/command_line.h"
#include "picture/plot_svg.h"
#include "platform/platform.h"

namespace doors {

// The picture and the series are no unit's files: they are written at once from memory.
constexpr int kPictureFile = 0;
constexpr int kSeriesFile = -1;

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

// The files `command` writes, in the order standard output names them.
std::vector<PlannedFile> planFiles(const CommandLine& command);
// Opens `unit` on its file's temporary name (a name that exists already is never written
// through); the name joins the temporaries.
void openTemporary(const std::vector<PlannedFile>& planned, int unit);
// A file written at once from memory (`kind` kPictureFile or kSeriesFile) under its temporary
// name; `text` is made only when the file is planned.
void writeFromMemory(const std::vector<PlannedFile>& planned, int kind,
                     const std::function<std::string()>& text);
// The picture of the run under its temporary name.
void writePicture(const std::vector<PlannedFile>& planned,
                  const std::function<std::string(const picture::PlotCaption&)>& draw,
                  const CommandLine& command);
// Problems found before any work: a result name that is a directory, an output directory
// that exists as something else; a --plot or --series directory that does not exist (a
// usage error in `command`).
std::optional<std::string> unreplaceable(const std::vector<PlannedFile>& planned);
std::optional<std::string> unusableDirectory(const std::string& directory);
void checkPicturePath(CommandLine& command);
// Replaces the earlier results by the new set and ends the run (0, or 1 with the earlier
// files as they were).
[[noreturn]] void replaceResults(const std::vector<PlannedFile>& planned);

// Removes the temporaries not yet renamed (any thread).
void removeTemporaries();
// Before any report line, on whichever thread: the progress line erased, and a console event
// during the renaming kept waiting.
void beforeAnyReport();
// The run's own error line on standard error, the temporaries removed, status 1.
[[noreturn]] void failRun(const std::string& message);

void write(platform::Handle stream, std::string_view text);
std::string reason(platform::ErrorCode error);
std::string absolute(std::string_view path);
// The coordinate file as reports name it.
std::string shownFile(const CommandLine& command);

}  // namespace doors
