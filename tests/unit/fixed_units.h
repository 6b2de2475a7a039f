// The fixture of the fixed-layout statement tests: an input and an output unit on files in a
// scratch directory, with the unit numbers and return requests the tests share.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "child_process.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace {

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;
using textio::layouts::Advance;
using textio::layouts::readFixed;
using textio::layouts::ReturnOnEnd;
using textio::layouts::ReturnOnError;
using textio::layouts::writeFixed;
namespace layouts = textio::layouts;

constexpr int kIn = 10;
constexpr int kOut = 16;
constexpr auto kEnd = ReturnOnEnd::Yes;
constexpr auto kError = ReturnOnError::Yes;

class FixedUnits : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::setenv("FOR_DISABLE_STACK_TRACE", "1", 1); }
  void TearDown() override {
    textio::units::closeUnit(kIn);
    textio::units::closeUnit(kOut);
  }

  std::string inputPath() const { return dir_.file("input.gro"); }
  std::string outputPath() const { return dir_.file("output.txt"); }

  void openInput(const std::string& bytes) {
    writeFile(inputPath(), bytes);
    textio::units::openUnit(kIn, inputPath(), "OLD", "SEQUENTIAL");
  }
  void openOutput() { textio::units::openUnit(kOut, outputPath(), "REPLACE"); }
  // Closes the output unit (completing a pending line) and gives the file's bytes.
  std::string closedOutput() {
    textio::units::closeUnit(kOut);
    return readFile(outputPath());
  }

  ScratchDir dir_;
};

// ---------------------------------------------------------------------------------------
// Output
// ---------------------------------------------------------------------------------------

}  // namespace
