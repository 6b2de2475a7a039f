// Tests of the start and end of a run on the test driver as a real child process: the console
// events (signals) with their one line and exit status, the end-of-run closing that completes
// pending records, stopRun and endRun, the start-up settings, and the block allocation.
#include "textio/run/run_time.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "child_process.h"

namespace {

using testsupport::ChildOptions;
using testsupport::ChildResult;
using testsupport::LiveChild;
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;

const std::string kWaitingFile = "first\r\nsecond\r\npend\r\n";

TEST(ConsoleEvents, EachSignalWritesOneLineClosesTheFilesAndEndsWithTheEventNumber) {
  struct Case {
    int signal;
    const char* word;
    int status;
  };
  const Case cases[] = {
      {SIGINT, "control-C", 0},
      {SIGQUIT, "control-BREAK", 1},
      {SIGHUP, "window-CLOSE", 2},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string file = dir.file("result.gro");
    LiveChild child({"wait-console", file});
    ASSERT_TRUE(child.waitForOutput("ready\r\n")) << c.word;
    // The console read is now waiting; the event must end the run all the same.
    child.send(c.signal);
    ChildResult result = child.wait();
    EXPECT_TRUE(result.exited) << c.word;
    EXPECT_EQ(result.status, c.status) << c.word;
    EXPECT_EQ(result.err,
              std::string("forrtl: error (200): program aborting due to ") + c.word + " event\r\n");
    EXPECT_EQ(result.out, "ready\r\n");
    // Completed records and the pending one are in the file.
    EXPECT_EQ(readFile(file), kWaitingFile) << c.word;
  }
}

TEST(ConsoleEvents, AnEventDuringBusyOutputNeverCutsARecord) {
  ScratchDir dir;
  const std::string file = dir.file("busy.txt");
  LiveChild child({"busy", file});
  ASSERT_TRUE(child.waitForOutput("ready\r\n"));
  child.send(SIGINT);
  ChildResult result = child.wait();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "forrtl: error (200): program aborting due to control-C event\r\n");
  // Every record is whole and in order: the closing never ran inside a statement, where the
  // half-built record is marked pending.
  const std::string content = readFile(file);
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
  std::size_t begin = 0;
  long expected = 0;
  while (begin < content.size()) {
    std::size_t end = content.find("\r\n", begin);
    ASSERT_NE(end, std::string::npos);
    ASSERT_EQ(content.substr(begin, end - begin), "record " + std::to_string(expected) + " end");
    ++expected;
    begin = end + 2;
  }
  EXPECT_GT(expected, 1000);
}

TEST(ConsoleEvents, TerminateKeepsItsDefaultAction) {
  ScratchDir dir;
  LiveChild child({"wait-console", dir.file("result.gro")});
  ASSERT_TRUE(child.waitForOutput("ready\r\n"));
  child.send(SIGTERM);
  ChildResult result = child.wait();
  EXPECT_FALSE(result.exited);
  EXPECT_EQ(result.status, SIGTERM);
  EXPECT_EQ(result.err, "");
}

TEST(RunEndings, TheWaitingReadEndsNormallyOrAtTheEndOfInput) {
  ScratchDir dir;
  {
    const std::string file = dir.file("answered.gro");
    LiveChild child({"wait-console", file});
    ASSERT_TRUE(child.waitForOutput("ready\r\n"));
    child.writeInput("hello\n");
    ChildResult result = child.wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "ready\r\ngot hello\r\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(file), kWaitingFile);
  }
  {
    const std::string file = dir.file("ended.gro");
    LiveChild child({"wait-console", file});
    ASSERT_TRUE(child.waitForOutput("ready\r\n"));
    child.closeInput();
    ChildResult result = child.wait();
    EXPECT_EQ(result.status, 24);
    const std::string line =
        "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$\r\n";
    EXPECT_EQ(result.err.substr(0, line.size()), line);
    EXPECT_NE(result.err.find("Image              PC"), std::string::npos);
    // The severe report's closing completed the file as well.
    EXPECT_EQ(readFile(file), kWaitingFile);
  }
}

TEST(RunEndings, StopAndNormalEndPrintNothingAndCompletePendingRecords) {
  for (const char* ending : {"stop", "end"}) {
    ScratchDir dir;
    const std::string file = dir.file("list.ndx");
    ChildResult result = runChild({"finish", ending, file});
    EXPECT_TRUE(result.exited) << ending;
    EXPECT_EQ(result.status, 0) << ending;
    EXPECT_EQ(result.out, "") << ending;
    EXPECT_EQ(result.err, "") << ending;
    EXPECT_EQ(readFile(file), "done\r\n     1     2\r\n") << ending;
  }
  for (const char* ending : {"stop", "end"}) {
    ChildResult result = runChild({ending});
    EXPECT_EQ(result.status, 0) << ending;
    EXPECT_EQ(result.out + result.err, "") << ending;
  }
}

TEST(StartUp, FloatingPointExceptionsAreMasked) {
  ChildResult result = runChild({"divide"});
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "inf nan\n");
  EXPECT_EQ(result.err, "");
}

// Blocks live for the whole run; held here (never destroyed) they are not leaks.
std::vector<void*>* const blocksOfThisRun = new std::vector<void*>;

TEST(AllocateBlock, ZeroGivesNothingAndOtherSizesZeroedMemory) {
  EXPECT_EQ(textio::run::allocateBlock(0), nullptr);
  // Both sides of the page-allocator threshold (16 777 215 bytes).
  for (std::uint64_t bytes : {std::uint64_t{44}, std::uint64_t{0xFFFFFF}, std::uint64_t{0x1000000},
                              std::uint64_t{44} * 1000000}) {
    auto* block = static_cast<unsigned char*>(textio::run::allocateBlock(bytes));
    ASSERT_NE(block, nullptr) << bytes;
    blocksOfThisRun->push_back(block);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[bytes - 1], 0);
    block[bytes - 1] = 1;
  }
}

TEST(AllocateBlock, FailuresAreSevereReports) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"alloc", "44", "already"},
       151,
       "forrtl: severe (151): allocatable array is already allocated\r\n"},
      // More than any address space holds: the size is not cut to 32 bits.
      {{"alloc", "4611686018427387904"},
       41,
       "forrtl: severe (41): insufficient virtual memory\r\n"},
      {{"alloc", "0"}, 0, ""},
  };
  for (const Case& c : cases) {
    ChildResult result =
        runChild(c.arguments, ChildOptions().withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
    EXPECT_EQ(result.status, c.status) << c.arguments[1];
    EXPECT_EQ(result.err, c.err) << c.arguments[1];
  }
}

TEST(AllocateBlock, SizesAboveFourGibibytesAreNotCut) {
  // 2^32 + 44 bytes: a 32-bit size would ask for 44 bytes, and the write to the last byte
  // would land far outside the block. Pages are only touched at both ends.
  ChildResult large = runChild({"alloc", "4294967340"});
  EXPECT_TRUE(large.exited);
  EXPECT_EQ(large.status, 0);
  EXPECT_EQ(large.out, "block\n");
}

}  // namespace
