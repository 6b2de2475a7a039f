// Fault tests of the whole tool on a real child process: full devices and file systems, files
// that cannot be written or opened, a coordinate file that vanishes before its open, standard
// streams the tool was started without. Each checks the report lines, the exit status and the
// bytes left in every file: exactly the records completed before the failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "platform/platform.h"

namespace {

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

// The fault-injecting build of the tool lives beside the test driver.
std::string faultChild() {
  std::string driver = GRO_TEST_DRIVER;
  return driver.substr(0, driver.rfind('/') + 1) + "fault_child";
}

struct ToolRun {
  int status = -1;  // exit status; -1 when ended by a signal
  std::string out;
  std::string err;
};

enum class Stderr { Captured, Closed };

// Runs `program` in `directory` with `input` on standard input, every FOR* variable removed and
// severe reports without traceback.
ToolRun runTool(const std::string& directory, const std::string& input,
                Stderr errors = Stderr::Captured, std::vector<std::string> arguments = {},
                const std::string& program = GRO_REGION_BINARY) {
  ScratchDir streams;
  writeFile(streams.file("in"), input);
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp =
      testsupport::detail::childEnvironment({"FOR_DISABLE_STACK_TRACE=1"});
  std::vector<char*> argvPointers = testsupport::detail::pointers(argv);
  std::vector<char*> envpPointers = testsupport::detail::pointers(envp);
  const std::string inPath = streams.file("in");
  const std::string outPath = streams.file("out");
  const std::string errPath = streams.file("err");
  pid_t pid = ::fork();
  if (pid == 0) {
    testsupport::detail::resetSignals();
    if (::chdir(directory.c_str()) != 0) ::_exit(125);
    int in = ::open(inPath.c_str(), O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(125);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::close(in);
    ::close(out);
    ::close(err);
    if (errors == Stderr::Closed) ::close(2);
    ::execve(argvPointers[0], argvPointers.data(), envpPointers.data());
    ::_exit(127);
  }
  ToolRun run;
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

// --- Expected bytes, from the record rules ------------------------------------------------

std::string con(const std::string& text) { return " " + text + "\r\n"; }

std::string consoleUntilLoad() {
  return con("Gromacs .gro file analysis tool,programmed by Quorvane,V1.3,2008.Oct.15") +
         con("Press Ctrl+C to exit") + con("") + con("input filename") + con("");
}

std::string consoleUntilCounts(int atoms, int residues) {
  char atomLine[80];
  char residueLine[80];
  std::snprintf(atomLine, sizeof atomLine, " The number of atoms correspond condition is: %12d\r\n",
                atoms);
  std::snprintf(residueLine, sizeof residueLine,
                " The number of residue correspond condition is: %12d\r\n", residues);
  return consoleUntilLoad() + con("Select shape:") +
         con("(1) box (2) ball (3) invert box (4) invert ball") +
         con("(5) cylinder (6) invert cylinder") + con("Input 1/2/3/4/5/6") + con("") +
         con("Input range(nm): xmin,xmax,ymin,ymax,zmin,zmax") +
         con("e.g. 0.1,1.12,-99,99,1,2.5 (The size inputed can exceed cell size)") + con("") +
         con("Reserve entire residue?") + con("Input yes or no") + con("") +
         con("Input atoms type,e.g. OW") +
         con("If you don't want to specify atom type,input \"any\"") + con("") +
         con("Input residue's name that atoms belong to,e.g. SOL") +
         con("If you don't want to specify residue name,input \"any\"") + con("") + atomLine +
         residueLine;
}

std::string consoleWholeRun(int atoms, int residues) {
  return consoleUntilCounts(atoms, residues) + con("Detail result have been saved to result.gro") +
         con("Atoms list have been saved to list.ndx") + con("") + con("Press any key to exit");
}

// Every atom lies inside this box, so all of them are selected.
const char* const kSelectAll = "in.gro\n1\n-99,99,-99,99,-99,99\nno\nany\nany\n\n";

// One atom line in .gro columns, positions and velocities written from integers so that the
// rewritten line is the same text: atom i of residue (i + 2) / 3.
std::string atomLine(int i) {
  char line[80];
  std::snprintf(line, sizeof line, "%5d%-5s%5s%5d%4d.%03d%4d.%03d%4d.%03d%3d.%04d%3d.%04d%3d.%04d",
                (i + 2) / 3, "SOL", i % 3 == 1 ? "OW" : "HW", i, i % 10, i % 1000, 1, 250, 2,
                i % 997, 0, i % 10000, 0, 5, 0, 0);
  return line;
}

std::string coordinateFile(int atoms) {
  std::string text = "Generated waters\n" + std::to_string(atoms) + "\n";
  for (int i = 1; i <= atoms; ++i) text += atomLine(i) + "\n";
  return text + "   3.00000   3.00000   3.00000\n";
}

// result.gro of kSelectAll: box line (minima first), count line, every atom, last line.
std::string expectedResult(int atoms) {
  char count[16];
  std::snprintf(count, sizeof count, "%12d", atoms);
  std::string text =
      "x/y/z-min/max -99.00-99.00-99.00 99.00 99.00 99.00 atom:any  resid:any  \r\n" +
      std::string(count) + "\r\n";
  for (int i = 1; i <= atoms; ++i) text += atomLine(i) + "\r\n";
  return text + "  99.00000  99.00000  99.00000\r\n";
}

// list.ndx for atoms 1..n: the heading, then (I6) numbers ten to a line.
std::string expectedIndex(int n) {
  std::string text = " [selected-atoms]\r\n";
  for (int i = 1; i <= n; ++i) {
    char field[16];
    std::snprintf(field, sizeof field, "%6d", i);
    text += field;
    if (i % 10 == 0 || i == n) text += "\r\n";
  }
  return text;
}

int residuesOf(int atoms) { return (atoms + 2) / 3; }

std::string report(const std::string& line) { return line + "\r\n"; }

std::string prefix(const std::string& text, std::size_t size) { return text.substr(0, size); }

// Number of whole CR LF records at the start of `text`.
std::size_t completeRecords(const std::string& text) {
  std::size_t records = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos;
       at = text.find("\r\n", at + 2)) {
    ++records;
  }
  return records;
}

// --- Full devices and file systems ----------------------------------------------------------

TEST(DeviceResultFiles, AreWrittenNotTruncated) {
  // A device has no length to cut: result.gro linked to /dev/null is a successful run, and
  // linked to /dev/full it fails at its first write, not at the open.
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  struct Case {
    const char* linked;  // the file made a link to the device
    const char* device;
    int status;
    std::string err;
  };
  ScratchDir probe;
  const Case cases[] = {
      {"result.gro", "/dev/null", 0, ""},
      {"result.gro", "/dev/full", 38,
       "forrtl: No space left on device\r\nforrtl: severe (38): error during write, unit 15, "
       "file "},
      {"list.ndx", "/dev/full", 38,
       "forrtl: No space left on device\r\nforrtl: severe (38): error during write, unit 16, "
       "file "},
  };
  constexpr int kAtoms = 23;
  for (const Case& c : cases) {
    ScratchDir dir;
    writeFile(dir.file("in.gro"), coordinateFile(kAtoms));
    std::filesystem::create_symlink(c.device, dir.file(c.linked));
    const ToolRun run = runTool(dir.path(), kSelectAll);
    SCOPED_TRACE(std::string(c.linked) + " -> " + c.device);
    EXPECT_EQ(run.status, c.status);
    const bool failed = c.status != 0;
    EXPECT_EQ(run.err, failed ? c.err + dir.file(c.linked) + "\r\n" : "");
    // result.gro is closed before list.ndx: its close is where a full device first shows.
    EXPECT_EQ(run.out, failed ? consoleUntilCounts(kAtoms, residuesOf(kAtoms))
                              : consoleWholeRun(kAtoms, residuesOf(kAtoms)));
    // The file that is not on the device holds every record.
    if (std::string(c.linked) == "result.gro") {
      EXPECT_EQ(readFile(dir.file("list.ndx")), expectedIndex(kAtoms));
    } else {
      EXPECT_EQ(readFile(dir.file("result.gro")), expectedResult(kAtoms));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("residue.txt")));
  }
}

// A tmpfs of 16 KiB mounted in the scratch directory; unmounted at the end.
class TinyFileSystem {
 public:
  explicit TinyFileSystem(const std::string& path) : path_(path) {
    std::filesystem::create_directory(path_);
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=16k") == 0;
  }
  ~TinyFileSystem() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  TinyFileSystem(const TinyFileSystem&) = delete;
  TinyFileSystem& operator=(const TinyFileSystem&) = delete;
  bool mounted() const { return mounted_; }
  static constexpr std::size_t kCapacity = 16384;

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST(FullDisk, WhileResultGroIsWrittenKeepsTheBytesThatFitAndEveryIndexRecord) {
  ScratchDir dir;
  TinyFileSystem tiny(dir.file("tiny"));
  if (!tiny.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  // result.gro needs about 210 KB; its writes fail once the 16 KiB are used.
  constexpr int kAtoms = 3000;
  writeFile(dir.file("in.gro"), coordinateFile(kAtoms));
  std::filesystem::create_symlink(dir.file("tiny/result.gro"), dir.file("result.gro"));
  const ToolRun run = runTool(dir.path(), kSelectAll);
  EXPECT_EQ(run.status, 38);
  EXPECT_EQ(run.err,
            "forrtl: No space left on device\r\n"
            "forrtl: severe (38): error during write, unit 15, file " +
                dir.file("result.gro") + "\r\n");
  // Nothing is printed after the failure; how far the dialogue got depends on when the
  // buffered records met the full disk, but it is a prefix of the whole run's output.
  const std::string whole = consoleWholeRun(kAtoms, residuesOf(kAtoms));
  EXPECT_EQ(run.out, prefix(whole, run.out.size()));
  EXPECT_GE(run.out.size(), consoleUntilCounts(kAtoms, residuesOf(kAtoms)).size());

  const std::string result = readFile(dir.file("result.gro"));
  EXPECT_EQ(result, prefix(expectedResult(kAtoms), TinyFileSystem::kCapacity));
  // list.ndx holds the numbers of at least every atom whose line is complete in result.gro,
  // and of no atom beyond those whose lines were written: a prefix, its last row completed.
  const std::string index = readFile(dir.file("list.ndx"));
  const std::size_t atomsInResult = completeRecords(result) - 2;  // region and count lines
  int indexed = -1;
  for (int n = static_cast<int>(atomsInResult); n < kAtoms; ++n) {
    if (index == expectedIndex(n)) indexed = n;
  }
  EXPECT_GE(indexed, static_cast<int>(atomsInResult)) << "list.ndx is not a completed prefix";
}

TEST(FullDisk, WhileListNdxIsWrittenKeepsTheBytesThatFitAndAllOfResultGro) {
  ScratchDir dir;
  TinyFileSystem tiny(dir.file("tiny"));
  if (!tiny.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  // list.ndx needs about 18.6 KB, result.gro about 210 KB on the ordinary disk.
  constexpr int kAtoms = 3000;
  writeFile(dir.file("in.gro"), coordinateFile(kAtoms));
  std::filesystem::create_symlink(dir.file("tiny/list.ndx"), dir.file("list.ndx"));
  const ToolRun run = runTool(dir.path(), kSelectAll);
  EXPECT_EQ(run.status, 38);
  EXPECT_EQ(run.err,
            "forrtl: No space left on device\r\n"
            "forrtl: severe (38): error during write, unit 16, file " +
                dir.file("list.ndx") + "\r\n");
  const std::string whole = consoleWholeRun(kAtoms, residuesOf(kAtoms));
  EXPECT_EQ(run.out, prefix(whole, run.out.size()));
  const std::string index = readFile(dir.file("list.ndx"));
  EXPECT_EQ(index, prefix(expectedIndex(kAtoms), TinyFileSystem::kCapacity));
  // result.gro: a prefix that ends with a complete record and holds every atom whose number
  // reached list.ndx (the closing after the report writes what was buffered).
  const std::string result = readFile(dir.file("result.gro"));
  EXPECT_EQ(result, prefix(expectedResult(kAtoms), result.size()));
  ASSERT_GE(result.size(), 2u);
  EXPECT_EQ(result.substr(result.size() - 2), "\r\n");
  const std::size_t numbersInIndex = (TinyFileSystem::kCapacity - 19) / 62 * 10;
  EXPECT_GE(completeRecords(result), numbersInIndex + 2);
}

// --- Files that cannot be written or opened -------------------------------------------------

TEST(UnwritableResultGro, AnImmutableFileIsReport38AndStaysUnchanged) {
  ScratchDir dir;
  writeFile(dir.file("in.gro"), coordinateFile(3));
  const std::string name = dir.file("result.gro");
  writeFile(name, "from an earlier run\r\n");
  if (std::system(("chattr +i '" + name + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr +i does not work on this file system";
  }
  const ToolRun run = runTool(dir.path(), kSelectAll);
  std::system(("chattr -i '" + name + "'").c_str());
  EXPECT_EQ(run.status, 38);
  EXPECT_EQ(run.err,
            "forrtl: Operation not permitted\r\n"
            "forrtl: severe (38): error during write, unit 15, file " +
                name + "\r\n");
  EXPECT_EQ(run.out, consoleUntilLoad());
  EXPECT_EQ(readFile(name), "from an earlier run\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("list.ndx")));
}

TEST(DirectoryInTheWay, OfAResultFileIsReport9ForItsUnit) {
  // A directory named like the coordinate file is a loader case (tests/scripts).
  struct Case {
    const char* directory;
    int unit;
    bool resultCreated;  // result.gro is opened (and emptied) before list.ndx
  };
  const Case cases[] = {{"result.gro", 15, false}, {"list.ndx", 16, true}};
  for (const Case& c : cases) {
    ScratchDir dir;
    writeFile(dir.file("in.gro"), coordinateFile(3));
    std::filesystem::create_directory(dir.file(c.directory));
    const ToolRun run = runTool(dir.path(), kSelectAll);
    SCOPED_TRACE(c.directory);
    EXPECT_EQ(run.status, 9);
    EXPECT_EQ(run.err, report("forrtl: severe (9): permission to access file denied, unit " +
                              std::to_string(c.unit) + ", file " + dir.file(c.directory)));
    EXPECT_EQ(run.out, consoleUntilLoad());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file(c.directory)));
    if (c.resultCreated) {
      EXPECT_EQ(readFile(dir.file("result.gro")), "");
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir.file("list.ndx")));
    }
  }
}

TEST(VanishingCoordinateFile, RemovedAfterTheExistenceTestIsReport29) {
  ScratchDir dir;
  writeFile(dir.file("in.gro"), coordinateFile(3));
  writeFile(dir.file("result.gro"), "from an earlier run\r\n");
  const ToolRun run =
      runTool(dir.path(), kSelectAll, Stderr::Captured, {"remove-after-lookup"}, faultChild());
  EXPECT_FALSE(std::filesystem::exists(dir.file("in.gro")));
  EXPECT_EQ(run.status, 29);
  EXPECT_EQ(run.err,
            report("forrtl: severe (29): file not found, unit 10, file " + dir.file("in.gro")));
  EXPECT_EQ(run.out, consoleUntilLoad());
  EXPECT_EQ(readFile(dir.file("result.gro")), "from an earlier run\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("list.ndx")));
}

// --- A console event together with the end of console input --------------------------------

// Ctrl+C on a pipeline reaches the tool and the process that feeds it: the signal comes and the
// console input ends right after. At every kind of prompt, for each event, the run must end as
// the event each time, never as the end of the input.
TEST(EventWithEndOfInput, EndsAsTheEventAtEveryPromptEveryTime) {
  struct Prompt {
    const char* typed;
    const char* shown;
  };
  const Prompt prompts[] = {
      {"", "input filename"},
      {"in.gro\n", "Input 1/2/3/4/5/6"},
      {"in.gro\n1\n", "e.g. 0.1,1.12"},
      {"in.gro\n1\n-99,99,-99,99,-99,99\nno\n", "Input atoms type"},
      {"in.gro\n1\n-99,99,-99,99,-99,99\nno\nany\nany\n", "Press any key to exit"},
  };
  struct Event {
    int signal;
    const char* word;
    int status;
  };
  const Event events[] = {
      {SIGINT, "control-C", 0}, {SIGQUIT, "control-BREAK", 1}, {SIGHUP, "window-CLOSE", 2}};
  constexpr int kRounds = 7;  // 105 runs in all
  // A directory per event: the runs of one prompt go on at the same time.
  ScratchDir dirs[std::size(events)];
  std::vector<testsupport::ChildOptions> options;
  for (const ScratchDir& dir : dirs) {
    writeFile(dir.file("in.gro"), coordinateFile(3));
    options.push_back(testsupport::ChildOptions()
                          .running(GRO_REGION_BINARY)
                          .inDirectory(dir.path())
                          .withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
  }
  int failures = 0;
  for (int round = 0; round < kRounds && failures < 3; ++round) {
    for (const Prompt& prompt : prompts) {
      // The runs of the three events at the same time: their starts overlap, the test stays
      // short.
      std::vector<std::unique_ptr<testsupport::LiveChild>> children;
      for (std::size_t i = 0; i < std::size(events); ++i) {
        children.push_back(
            std::make_unique<testsupport::LiveChild>(std::vector<std::string>{}, options[i]));
        children.back()->writeInput(prompt.typed);
      }
      for (std::size_t i = 0; i < std::size(events); ++i) {
        testsupport::LiveChild& child = *children[i];
        const Event& event = events[i];
        ASSERT_TRUE(child.waitForOutput(prompt.shown)) << prompt.shown;
        child.send(event.signal);
        child.closeInput();
      }
      for (std::size_t i = 0; i < std::size(events); ++i) {
        const Event& event = events[i];
        const testsupport::ChildResult result = children[i]->wait();
        const std::string line = report(
            std::string("forrtl: error (200): program aborting due to ") + event.word + " event");
        const bool asTheEvent =
            result.exited && result.status == event.status && result.err == line;
        EXPECT_TRUE(asTheEvent) << "round " << round << ", " << event.word << " at '"
                                << prompt.shown << "': status " << result.status << ", "
                                << result.err.substr(0, result.err.find('\n'));
        if (!asTheEvent) ++failures;
      }
    }
  }
}

// --- A coordinate file that is a pipe ------------------------------------------------------

// A FIFO fed by a process that writes one atom line of the three it announces and ends: the
// file ends there like a short regular file (the missing lines are skipped) and the run goes on.
TEST(FifoCoordinateFile, EndsWhereItsWriterStopped) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.file("in.gro").c_str(), 0600), 0);
  const pid_t feeder = ::fork();
  ASSERT_GE(feeder, 0);
  if (feeder == 0) {
    const int fifo = ::open(dir.file("in.gro").c_str(), O_WRONLY);
    const std::string text = "Fed through a FIFO\n    3\n" + atomLine(1) + "\n";
    const bool written =
        fifo >= 0 && ::write(fifo, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::_exit(written ? 0 : 1);
  }
  const testsupport::ChildResult run =
      testsupport::runChild({}, testsupport::ChildOptions()
                                    .running(GRO_REGION_BINARY)
                                    .inDirectory(dir.path())
                                    .withEnvironment("FOR_DISABLE_STACK_TRACE=1")
                                    .withInput(kSelectAll));
  ::kill(feeder, SIGKILL);  // still waiting for a reader only when the tool never opened it
  int fed = 0;
  ::waitpid(feeder, &fed, 0);
  EXPECT_TRUE(WIFEXITED(fed) && WEXITSTATUS(fed) == 0);
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, consoleWholeRun(1, 1));
  EXPECT_EQ(readFile(dir.file("result.gro")), expectedResult(1));
  EXPECT_EQ(readFile(dir.file("list.ndx")), expectedIndex(1));
}

// --- Standard streams the tool was started without ------------------------------------------

TEST(ClosedStandardError, NeverPutsAReportIntoAFile) {
  // With descriptor 2 closed, the coordinate file would be opened as descriptor 2 and the
  // report of its unreadable count written into it.
  ScratchDir dir;
  const std::string bad = "Water box\n   ab\n    1SOL     OW    1   0.100   0.200   0.300\n";
  writeFile(dir.file("in.gro"), bad);
  const ToolRun run = runTool(dir.path(), "in.gro\n", Stderr::Closed);
  EXPECT_EQ(run.status, 64);
  EXPECT_EQ(readFile(dir.file("in.gro")), bad);
  EXPECT_EQ(run.out, consoleUntilLoad());
}

TEST(ClosedStandardError, AWholeRunStillWritesItsFiles) {
  ScratchDir dir;
  writeFile(dir.file("in.gro"), coordinateFile(12));
  const ToolRun run = runTool(dir.path(), kSelectAll, Stderr::Closed);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(readFile(dir.file("in.gro")), coordinateFile(12));
  EXPECT_EQ(readFile(dir.file("result.gro")), expectedResult(12));
  EXPECT_EQ(readFile(dir.file("list.ndx")), expectedIndex(12));
}

TEST(ReserveStandardStreams, KeepsClosedStreamsFailingAndTheirNumbersTaken) {
  for (int stream : {0, 1, 2}) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(stream);
      platform::reserveStandardStreams();
      char byte = 'x';
      const bool failsAsBefore = stream == 0 ? ::read(0, &byte, 1) < 0 && errno == EBADF
                                             : ::write(stream, &byte, 1) < 0 && errno == EBADF;
      const int next = ::open("/dev/null", O_RDONLY);
      ::_exit(failsAsBefore && next > 2 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "descriptor " << stream;
  }
}

TEST(TruncateFile, LeavesDevicesAndPipesAlone) {
  ScratchDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {std::string("/dev/null"), fifo}) {
    // Read-write opens of a fifo do not wait for a peer on Linux.
    const int handle = ::open(name.c_str(), O_RDWR);
    ASSERT_GE(handle, 0) << name;
    EXPECT_EQ(platform::truncateFile(handle), 0) << name;
    ::close(handle);
  }
}

}  // namespace
