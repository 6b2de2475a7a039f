// Tests of the POSIX platform layer on real files in a scratch directory: lexical paths,
// attributes, the open variants and their error codes, truncation in place, transfers.
#include "platform/platform.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "child_process.h"

namespace {

using platform::Access;
using platform::Creation;
using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

TEST(AbsolutePath, FoldsAbsoluteNamesLexically) {
  struct Case {
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"/a/b/c", "/a/b/c"},
      {"/a/./b", "/a/b"},
      {"/a/b/../c", "/a/c"},
      {"/a//b///c", "/a/b/c"},
      {"/a/b/", "/a/b"},
      {"/..", "/"},
      {"/../../x", "/x"},
      {"/a/b/../../..", "/"},
      {"/a/..b/c", "/a/..b/c"},
      {"/a/.b/./", "/a/.b"},
      {"/", "/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::absolutePath(c.name), std::optional<std::string>(c.expected)) << c.name;
  }
}

TEST(AbsolutePath, JoinsRelativeNamesToTheWorkingDirectory) {
  char buffer[4096];
  ASSERT_NE(::getcwd(buffer, sizeof buffer), nullptr);
  const std::string cwd(buffer);
  EXPECT_EQ(platform::absolutePath("x.gro"), cwd + "/x.gro");
  EXPECT_EQ(platform::absolutePath("./d/../x.gro"), cwd + "/x.gro");
  // One level up, by hand: the directory part of cwd.
  const std::string parent = cwd.substr(0, cwd.rfind('/'));
  EXPECT_EQ(platform::absolutePath("../y"), (parent.empty() ? std::string() : parent) + "/y");
}

TEST(AbsolutePath, RefusesEmptyNamesAndNamesWithNul) {
  EXPECT_FALSE(platform::absolutePath(""));
  EXPECT_FALSE(platform::absolutePath(std::string_view("a\0b", 3)));
}

TEST(NameAttributes, TellsFilesDirectoriesAndMissingNamesApart) {
  ScratchDir dir;
  writeFile(dir.file("f"), "x");
  struct Case {
    std::string name;
    bool exists;
    bool directory;
  };
  const Case cases[] = {
      {dir.file("f"), true, false},
      {dir.path(), true, true},
      {dir.file("missing"), false, false},
      {dir.file("f/under-a-file"), false, false},
      {"", false, false},
      {dir.file("f") + std::string(1, '\0'), false, false},
  };
  for (const Case& c : cases) {
    platform::NameAttributes got = platform::nameAttributes(c.name);
    EXPECT_EQ(got.exists, c.exists) << c.name;
    EXPECT_EQ(got.directory, c.directory) << c.name;
  }
}

TEST(OpenFile, GivesTheErrorCodeOfEachRefusal) {
  ScratchDir dir;
  writeFile(dir.file("present"), "data");
  struct Case {
    std::string name;
    Creation creation;
    Access access;
    int error;
  };
  const Case cases[] = {
      {dir.file("missing"), Creation::OpenExisting, Access::ReadWrite, ENOENT},
      {dir.file("no/such/dir"), Creation::OpenOrCreate, Access::ReadWrite, ENOENT},
      {dir.file("present/x"), Creation::OpenExisting, Access::ReadOnly, ENOTDIR},
      {dir.file("present"), Creation::CreateNew, Access::ReadWrite, EEXIST},
      // Directories are never opened, not even for reading where POSIX would allow it.
      {dir.path(), Creation::OpenExisting, Access::ReadWrite, EISDIR},
      {dir.path(), Creation::OpenExisting, Access::ReadOnly, EISDIR},
      {dir.path(), Creation::OpenOrCreate, Access::ReadOnly, EISDIR},
      {std::string("a\0b", 3), Creation::OpenOrCreate, Access::ReadWrite, EINVAL},
      {dir.path() + "/" + std::string(300, 'n'), Creation::OpenOrCreate, Access::ReadWrite,
       ENAMETOOLONG},
  };
  for (const Case& c : cases) {
    platform::OpenResult got = platform::openFile(c.name, c.creation, c.access);
    EXPECT_EQ(got.handle, platform::kInvalidHandle) << c.name;
    EXPECT_EQ(got.error, c.error) << c.name << ": " << std::strerror(got.error);
  }
}

TEST(OpenFile, CreatesWritesReadsAndTruncatesInPlace) {
  ScratchDir dir;
  const std::string name = dir.file("data");
  platform::OpenResult created = platform::openFile(name, Creation::CreateNew, Access::ReadWrite);
  ASSERT_EQ(created.error, 0);
  ASSERT_EQ(platform::writeAll(created.handle, "abc\r\ndef", 8), 0);
  EXPECT_EQ(platform::fileSize(created.handle), std::optional<std::uint64_t>(8));
  std::optional<platform::FileIdentity> before = platform::fileIdentity(created.handle);
  ASSERT_EQ(platform::closeHandle(created.handle), 0);
  EXPECT_EQ(readFile(name), "abc\r\ndef");

  platform::OpenResult again = platform::openFile(name, Creation::OpenOrCreate, Access::ReadWrite);
  ASSERT_EQ(again.error, 0);
  EXPECT_EQ(platform::fileIdentity(again.handle), before);
  char buffer[16];
  platform::ReadResult got = platform::readSome(again.handle, buffer, sizeof buffer);
  EXPECT_EQ(got.error, 0);
  EXPECT_EQ(std::string(buffer, got.bytes), "abc\r\ndef");
  EXPECT_EQ(platform::readSome(again.handle, buffer, sizeof buffer).bytes, 0u);

  ASSERT_EQ(platform::truncateFile(again.handle), 0);
  ASSERT_EQ(platform::writeAll(again.handle, "z", 1), 0);
  EXPECT_EQ(platform::fileIdentity(again.handle), before);
  ASSERT_EQ(platform::closeHandle(again.handle), 0);
  EXPECT_EQ(readFile(name), "z");
  struct stat info {};
  ASSERT_EQ(::stat(name.c_str(), &info), 0);
  EXPECT_EQ(static_cast<std::uint64_t>(info.st_ino), before->inode);
}

TEST(OpenFile, ReadOnlyHandlesRefuseWritesAndTruncation) {
  ScratchDir dir;
  const std::string name = dir.file("data");
  writeFile(name, "keep");
  platform::OpenResult opened = platform::openFile(name, Creation::OpenExisting, Access::ReadOnly);
  ASSERT_EQ(opened.error, 0);
  EXPECT_NE(platform::writeAll(opened.handle, "x", 1), 0);
  EXPECT_NE(platform::truncateFile(opened.handle), 0);
  platform::closeHandle(opened.handle);
  EXPECT_EQ(readFile(name), "keep");
}

TEST(OpenFile, SeekToEndAppends) {
  ScratchDir dir;
  const std::string name = dir.file("log");
  writeFile(name, "one\n");
  platform::OpenResult opened = platform::openFile(name, Creation::OpenExisting, Access::ReadWrite);
  ASSERT_EQ(opened.error, 0);
  ASSERT_EQ(platform::seekToEnd(opened.handle), 0);
  ASSERT_EQ(platform::writeAll(opened.handle, "two\n", 4), 0);
  platform::closeHandle(opened.handle);
  EXPECT_EQ(readFile(name), "one\ntwo\n");
}

TEST(ScratchFile, LeavesNoNameBehindAndWorks) {
  ScratchDir dir;
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  platform::OpenResult scratch = platform::openScratchFile();
  ::unsetenv("TMPDIR");
  ASSERT_EQ(scratch.error, 0);
  EXPECT_EQ(platform::writeAll(scratch.handle, "abc", 3), 0);
  EXPECT_EQ(platform::fileSize(scratch.handle), std::optional<std::uint64_t>(3));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_EQ(platform::closeHandle(scratch.handle), 0);
}

TEST(FileSize, OnlyRegularFilesHaveOne) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  EXPECT_FALSE(platform::fileSize(pipeEnds[0]));
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  EXPECT_FALSE(platform::fileSize(platform::kInvalidHandle));
}

TEST(Transfers, ReportErrorsOfBadHandles) {
  char buffer[4];
  EXPECT_EQ(platform::readSome(platform::kInvalidHandle, buffer, 4).error, EBADF);
  EXPECT_EQ(platform::writeAll(platform::kInvalidHandle, "x", 1), EBADF);
  EXPECT_EQ(platform::closeHandle(platform::kInvalidHandle), EBADF);
}

TEST(Transfers, AFullDeviceIsAWriteError) {
  platform::OpenResult full =
      platform::openFile("/dev/full", Creation::OpenExisting, Access::ReadWrite);
  if (full.error != 0) GTEST_SKIP() << "/dev/full is not available";
  EXPECT_EQ(platform::writeAll(full.handle, "x", 1), ENOSPC);
  platform::closeHandle(full.handle);
}

TEST(AppendToFile, AppendsAndCreates) {
  ScratchDir dir;
  const std::string name = dir.file("log");
  EXPECT_EQ(platform::appendToFile(name, "a\n"), 0);
  EXPECT_EQ(platform::appendToFile(name, "b\n"), 0);
  EXPECT_EQ(readFile(name), "a\nb\n");
  EXPECT_NE(platform::appendToFile(dir.file("no/dir/log"), "x"), 0);
}

TEST(ErrorText, IsTheCLibraryTextOrNothing) {
  EXPECT_EQ(platform::errorText(ENOENT), std::optional<std::string>("No such file or directory"));
  EXPECT_EQ(platform::errorText(ENOSPC), std::optional<std::string>("No space left on device"));
  EXPECT_FALSE(platform::errorText(123456));
}

TEST(Environment, DistinguishesUnsetFromEmpty) {
  ::setenv("GRO_PLATFORM_TEST_VALUE", "", 1);
  EXPECT_EQ(platform::environmentVariable("GRO_PLATFORM_TEST_VALUE"),
            std::optional<std::string>(""));
  ::setenv("GRO_PLATFORM_TEST_VALUE", "a b", 1);
  EXPECT_EQ(platform::environmentVariable("GRO_PLATFORM_TEST_VALUE"),
            std::optional<std::string>("a b"));
  ::unsetenv("GRO_PLATFORM_TEST_VALUE");
  EXPECT_FALSE(platform::environmentVariable("GRO_PLATFORM_TEST_VALUE"));
}

TEST(AllocatePages, GivesZeroedWritableMemory) {
  constexpr std::uint64_t kBytes = 32u << 20;
  auto* block = static_cast<unsigned char*>(platform::allocatePages(kBytes));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[kBytes - 1], 0);
  block[kBytes - 1] = 7;
  EXPECT_EQ(block[kBytes - 1], 7);
  EXPECT_EQ(platform::allocatePages(0), nullptr);
  EXPECT_EQ(platform::allocatePages(std::uint64_t{1} << 62), nullptr);
}

// Large blocks start on a huge page and fill their last one; giving a block back leaves
// nothing of it mapped (mincore fails with ENOMEM on an unmapped page).
TEST(AllocatePages, LargeBlocksAreAlignedAndGivenBackWhole) {
  constexpr std::uint64_t kHuge = platform::kHugePageBytes;
  const long page = ::sysconf(_SC_PAGESIZE);
  for (const std::uint64_t bytes : {kHuge - 1, kHuge, 3 * kHuge + 5, 4 * kHuge}) {
    SCOPED_TRACE(bytes);
    auto* block = static_cast<unsigned char*>(platform::allocatePages(bytes));
    ASSERT_NE(block, nullptr);
    const std::uint64_t length = platform::mappedBytes(bytes);
    EXPECT_GE(length, bytes);
    if (bytes >= kHuge) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHuge, 0u);
      EXPECT_EQ(length % kHuge, 0u);
    }
    EXPECT_EQ(block[bytes - 1], 0);
    block[length - 1] = 7;
    platform::releasePages(block, bytes);
    unsigned char resident = 0;
    for (const std::uint64_t offset : {std::uint64_t{0}, length - 1}) {
      void* pageStart = block + offset / static_cast<std::uint64_t>(page) * page;
      errno = 0;
      EXPECT_EQ(::mincore(pageStart, 1, &resident), -1);
      EXPECT_EQ(errno, ENOMEM);
    }
  }
}

// Preparing pages is for speed only: what they hold stays (page blocks and heap alike, ranges
// that start and end inside a page), and the pages are then resident.
TEST(PreparePages, KeepsWhatThePagesHoldAndMakesThemResident) {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  auto* pages = static_cast<unsigned char*>(platform::allocatePages(8 * page));
  ASSERT_NE(pages, nullptr);
  platform::preparePages(pages, 8 * page);  // untouched until now
  std::vector<unsigned char> resident(8);
  ASSERT_EQ(::mincore(pages, 8 * page, resident.data()), 0);
  for (const unsigned char flag : resident) EXPECT_NE(flag & 1, 0);
  std::vector<unsigned char> heap(8 * page + 3);
  for (unsigned char* block : {pages, heap.data() + 3}) {
    for (std::size_t i = 0; i < 8 * page; i += 97)
      block[i] = static_cast<unsigned char>(i % 251 + 1);
    platform::preparePages(block + 5, 3 * page);
    platform::preparePages(block, 8 * page);
    for (std::size_t i = 0; i < 8 * page; ++i) {
      ASSERT_EQ(block[i], i % 97 == 0 ? i % 251 + 1 : 0) << i;
    }
  }
  platform::releasePages(pages, 8 * page);
}

[[gnu::noinline]] std::vector<platform::StackFrame> stackOfNamedCaller() {
  std::vector<platform::StackFrame> frames = platform::callStack(50);
  asm volatile("" ::: "memory");  // keeps this frame a real call, not a tail call
  return frames;
}

TEST(CallStack, StartsWithTheCallerAndNamesExportedRoutines) {
  std::vector<platform::StackFrame> frames = stackOfNamedCaller();
  ASSERT_GE(frames.size(), 2u);
  // The innermost frame is the caller in this executable, shown without its directory.
  EXPECT_EQ(frames[0].image, "platform_test");
  EXPECT_NE(frames[0].address, 0u);
  // The C library exports its start routine, so that frame has a name.
  bool startFound = false;
  for (const platform::StackFrame& frame : frames) {
    startFound = startFound ||
                 (frame.image.rfind("libc.so", 0) == 0 && frame.routine == "__libc_start_main");
  }
  EXPECT_TRUE(startFound);
  EXPECT_LE(platform::callStack(3).size(), 3u);
}

TEST(FloatingPoint, MaskedExceptionsGiveIeeeResults) {
  platform::maskFloatingPointExceptions();
  volatile double zero = 0.0;
  volatile double one = 1.0;
  EXPECT_TRUE(std::isinf(one / zero));
  EXPECT_TRUE(std::isnan(zero / zero));
}

}  // namespace
