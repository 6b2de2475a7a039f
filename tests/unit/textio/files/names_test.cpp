// Tests of name resolution: trimming, cutting, the absolute path, and the console and null
// device names against ordinary file names.
#include "textio/files/names.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "unit_files.h"

namespace {

using testsupport::workingDirectory;
using textio::files::DeviceKind;

TEST(ResolveName, TrimsCutsAndMakesAbsolute) {
  const std::string cwd = workingDirectory();
  const std::string long256(256, 'a');
  struct Case {
    std::string typed;
    std::string expected;
  };
  const Case cases[] = {
      {"water.gro", cwd + "/water.gro"},
      {"   water.gro   ", cwd + "/water.gro"},
      {std::string("water.gro\0\0 \0", 13), cwd + "/water.gro"},
      {"", ""},
      {"          ", ""},
      {std::string("  \0 ", 4), ""},
      {"/a/b/../c", "/a/c"},
      {"  /a/./b//c  ", "/a/b/c"},
      {"/x/../..", "/"},
      {"sub/../x", cwd + "/x"},
      // A tab is not a blank.
      {"\tname", cwd + "/\tname"},
      // At most 256 characters are taken: the blanks after them never count.
      {"/" + std::string(255, 'b') + "cut", "/" + std::string(255, 'b')},
      // A relative name too long to be made absolute within 256 characters stays as typed.
      {long256, long256},
      {long256 + "tail", long256},
  };
  for (const Case& c : cases) {
    textio::files::ResolvedName got = textio::files::resolveName(c.typed);
    EXPECT_EQ(got.name, c.expected) << '"' << c.typed << '"';
    EXPECT_FALSE(got.device) << c.typed;
  }
}

TEST(ResolveName, RecognisesConsoleAndNullDeviceNames) {
  struct Case {
    const char* typed;
    const char* name;
    DeviceKind kind;
  };
  const Case cases[] = {
      {"CON", "CON", DeviceKind::ConsoleOutput},
      {"con", "con", DeviceKind::ConsoleOutput},
      {"  Con  ", "Con", DeviceKind::ConsoleOutput},
      {"con.txt", "con", DeviceKind::ConsoleOutput},
      {"USER", "USER", DeviceKind::ConsoleOutput},
      {"CONOUT$", "CONOUT$", DeviceKind::ConsoleOutput},
      {"conin$", "conin$", DeviceKind::ConsoleInput},
      {"ERR", "ERR", DeviceKind::StandardError},
      {"err.", "err", DeviceKind::StandardError},
      {"NUL", "NUL", DeviceKind::NullDevice},
      {"nul.gro", "nul", DeviceKind::NullDevice},
      {"Nul.a.", "Nul.a", DeviceKind::None},  // the part before the last point is "Nul.a"
  };
  for (const Case& c : cases) {
    textio::files::ResolvedName got = textio::files::resolveName(c.typed);
    if (c.kind == DeviceKind::None) {
      EXPECT_FALSE(got.device) << c.typed;
      continue;
    }
    EXPECT_TRUE(got.device) << c.typed;
    EXPECT_EQ(got.name, c.name) << c.typed;
    EXPECT_EQ(got.deviceKind, c.kind) << c.typed;
  }
}

TEST(ResolveName, OtherNamesAreOrdinaryFiles) {
  const std::string cwd = workingDirectory();
  // With an extension: names beginning with E, L or U, and CONIN$/CONOUT$, are files. The
  // printer and serial names are files on this platform, with or without extension.
  const char* names[] = {"user.txt", "ERR.log", "conout$.txt", "CONIN$.x", "PRN",
                         "prn.txt",  "COM1",    "lpt2.x",      "AUX",      "LINE",
                         "CONX",     "NULL",    "xcon",        "a.nul",    "nul.a.b"};
  for (const char* name : names) {
    textio::files::ResolvedName got = textio::files::resolveName(name);
    EXPECT_FALSE(got.device) << name;
    EXPECT_EQ(got.name, cwd + "/" + name) << name;
  }
  // A device name inside a path is a file name.
  EXPECT_FALSE(textio::files::resolveName("dir/nul").device);
  EXPECT_EQ(textio::files::resolveName("dir/nul").name, cwd + "/dir/nul");
}

}  // namespace
