// Test fixture for the loader's tests: a scratch directory of its own per test, a coordinate
// file written there, and unit 10 closed after each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frames/atom_table.h"
#include "textio/units/unit.h"

namespace testsupport {

class CoordinateFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir();
    if (templ.empty() || templ.back() != '/') templ += '/';
    templ += "gro-loader-XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    directory_ = buffer.data();
  }
  void TearDown() override {
    textio::units::closeUnit(frames::kCoordinateUnit);
    std::string command = "rm -rf '" + directory_ + "'";
    (void)std::system(command.c_str());
  }
  // Writes `content` as the coordinate file and answers its path.
  std::string write(const std::string& content) {
    const std::string path = directory_ + "/coords.gro";
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string directory_;
};

}  // namespace testsupport
