// The streamed selection against the whole-file table: the same result files, byte for byte,
// and the same counts, whatever the chunk and block sizes, threads, line ends, damaged lines
// and counts, from a file read again and from a pipe whose records spill.
#include "runs/stream_engine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "coordinate_file_test.h"
#include "frames/table_loader.h"
#include "picture/plot_svg.h"
#include "selection/periodic_box.h"
#include "textio/units/unit.h"

namespace runs {
namespace {

// Water lines whose numbers wrap past 99999 after a few hundred atoms (a region cut out of a
// large system), every 97th line damaged, every 50th without velocities; `secondChain`
// numbers the residues from 1 again halfway, so that a residue number recurs.
std::string waterLines(int atoms, bool secondChain, const char* end = "\n") {
  std::string text;
  char line[96];
  for (int i = 0; i < atoms; ++i) {
    const int chainStart = secondChain && i >= atoms / 2 ? atoms / 2 : 0;
    const int residue = (99850 + (i - chainStart) / 3) % 100000;
    const int atom = (99700 + i) % 100000;
    const char* name = i % 3 == 0 ? "OW" : i % 3 == 1 ? "HW1" : "HW2";
    const double x = (i * 37 % 200) * 0.01;
    const double y = (i * 11 % 150) * 0.01;
    const double z = (i * 7 % 100) * 0.01;
    if (i % 50 == 49) {
      std::snprintf(line, sizeof line, "%5dSOL  %5s%5d%8.3f%8.3f%8.3f", residue, name, atom, x, y,
                    z);
    } else {
      std::snprintf(line, sizeof line, "%5dSOL  %5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f", residue,
                    name, atom, x, y, z, 0.1, -0.2, (i % 13) * 0.01);
    }
    if (i % 97 == 96) line[25] = 'x';  // a letter in the x field: no record
    text += line;
    text += end;
  }
  return text;
}

struct Content {
  const char* what;
  std::string text;
  bool everyOffset = false;  // every block size; else a seventh of them
};

std::vector<Content> contents() {
  constexpr int kAtoms = 520;
  const std::string lines = waterLines(kAtoms, false);
  std::string noFinalEnd = "t\n520\n" + lines;
  noFinalEnd.pop_back();
  std::string controlZ = "t\n520\n" + waterLines(400, false) + "\x1a\n" + waterLines(300, false);
  return {
      {"wrapping numbers", "title\n520\n" + lines + "   3.0   3.0   3.0\n", true},
      {"CR LF", "title\r\n520\r\n" + waterLines(kAtoms, false, "\r\n") + "   2   2   2\r\n", true},
      {"no final line end", noFinalEnd},
      {"count smaller than the lines", "t\n333\n" + lines + "1 1 1\n"},
      {"count larger than the lines", "t\n2000000\n" + lines},
      {"residues numbered from 1 again", "t\n520\n" + waterLines(kAtoms, true) + "1 1 1\n"},
      {"byte 26 ends the file", controlZ},
      {"a line longer than a block",
       "t\n3\n" + std::string(300, '9') + "\n" + waterLines(2, false)},
      {"more decimals",
       "t\n3\n"
       "    1SOL     OW    1   0.12600   1.62400   1.67900\n"
       "    1SOL    HW1    2   0.19000   1.66100   1.74700\n"
       "    2SOL     OW    3   1.27500   0.05300   0.62200\n"
       "   1.0 1.0 1.0\n"},
      {"no atoms", "t\n0\n1 1 1\n"},
  };
}

struct Answers {
  const char* what;
  std::int32_t shape;
  std::array<float, 6> box;
  std::array<float, 4> ball;
  selection::WholeResidues whole;
  const char* atom;
};

constexpr Answers kAnswers[] = {
    {"slab, no", 1, {-99, 99, -99, 99, 0.2, 0.5}, {}, selection::WholeResidues::No, "OW   "},
    {"ball, yes", 2, {}, {1, 0.7, 0.5, 0.6}, selection::WholeResidues::Yes, "OW   "},
    {"outside a thin slab, yes",
     3,
     {-99, 99, -99, 99, 0.3, 0.31},
     {},
     selection::WholeResidues::Yes,
     "any  "},
    {"other answer", 1, {0, 1, 0, 1, 0, 1}, {}, selection::WholeResidues::Other, "HW1  "},
};

selection::RunState stateOf(const Answers& answers) {
  selection::RunState state;
  state.shape = answers.shape;
  for (std::size_t i = 0; i < 6; ++i) state.parameters.box[i] = answers.box[i];
  for (std::size_t i = 0; i < 4; ++i) state.parameters.ball[i] = answers.ball[i];
  state.wholeResidues = answers.whole;
  std::memcpy(state.names.atomName.data(), answers.atom, 5);
  std::memcpy(state.names.residueName.data(), "any  ", 5);
  return state;
}

// What a run left: the three files, the two counts, the line after the atom lines.
struct Outcome {
  std::string result, index, residues;
  SelectionCounts counts;
  std::optional<std::string> boxLine;
  std::string picture;
};

class StreamEngineTest : public testsupport::CoordinateFileTest {
 protected:
  void openResults() {
    textio::units::openUnit(results::kResultUnit, directory_ + "/result.gro", "REPLACE");
    textio::units::openUnit(results::kIndexUnit, directory_ + "/list.ndx", "REPLACE");
  }
  std::function<void()> residueOpener() {
    return [this] {
      textio::units::openUnit(results::kResidueUnit, directory_ + "/residue.txt", "REPLACE");
    };
  }
  std::string take(const char* name) {
    const std::string path = directory_ + "/" + name;
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(path.c_str());
    return text;
  }
  Outcome finish(Outcome outcome) {
    outcome.boxLine = frames::readBoxLine();
    closeRunFiles();
    outcome.result = take("result.gro");
    outcome.index = take("list.ndx");
    outcome.residues = take("residue.txt");
    return outcome;
  }
  // The whole-file table's run, the one the stream must give.
  Outcome fromTable(const std::string& path, const Answers& answers) {
    selection::RunState state = stateOf(answers);
    const frames::AtomTable table = frames::load(path);
    const results::NumberLayout numbers = numberLayoutOf(table);
    openResults();
    Outcome outcome;
    outcome.counts = selectAndCount(table, state, numbers);
    writeSelected(table, state, numbers, residueOpener());
    outcome.picture = picture::drawSelection(table, state, {"f", "r", 0});
    return finish(outcome);
  }
  // --pbc: the table moved to its images once its box line is read, or the box's problem.
  Outcome fromMovedTable(const std::string& path, const Answers& answers) {
    selection::RunState state = stateOf(answers);
    frames::AtomTable table = frames::load(path);
    Outcome outcome;
    outcome.boxLine = frames::readBoxLine();
    if (const auto problem = selection::takeNearestImages(table, outcome.boxLine, state)) {
      textio::units::closeUnit(frames::kCoordinateUnit);
      outcome.result = "problem: " + *problem;
      return outcome;
    }
    const results::NumberLayout numbers = numberLayoutOf(table);
    openResults();
    outcome.counts = selectAndCount(table, state, numbers);
    writeSelected(table, state, numbers, residueOpener());
    outcome.picture = picture::drawSelection(table, state, {"f", "r", 0});
    return taken(outcome);
  }
  Outcome streamedMoved(const std::string& path, const Answers& answers,
                        const frames::LoadTuning& tuning, bool picture) {
    selection::RunState state = stateOf(answers);
    textio::units::openUnit(frames::kCoordinateUnit, path, "OLD", "SEQUENTIAL");
    StreamSelection selection(readFrameHeader(), tuning);
    if (picture) selection.drawPicture();
    Outcome outcome;
    if (const auto problem = selection.takePeriodicImages(state)) {
      textio::units::closeUnit(frames::kCoordinateUnit);
      outcome.result = "problem: " + *problem;
      return outcome;
    }
    openResults();
    outcome.counts = selection.selectAndCount(state);
    selection.writeSelected(state, residueOpener());
    if (picture) {
      picture::PlotCaption caption{"f", "r", static_cast<std::int64_t>(selection.atoms())};
      outcome.picture = plotSvg(*selection.picture(), state, caption);
    }
    outcome.boxLine = selection.boxLine();
    return taken(outcome);
  }
  Outcome taken(Outcome outcome) {
    closeRunFiles();
    outcome.result = take("result.gro");
    outcome.index = take("list.ndx");
    outcome.residues = take("residue.txt");
    return outcome;
  }
  // The selected atoms of a regular file are kept from the first pass (while there are few
  // enough); the picture gathers every atom as that pass reads it.
  Outcome streamed(const std::string& path, const Answers& answers,
                   const frames::LoadTuning& tuning, bool picture = true) {
    selection::RunState state = stateOf(answers);
    textio::units::openUnit(frames::kCoordinateUnit, path, "OLD", "SEQUENTIAL");
    StreamSelection selection(readFrameHeader(), tuning);
    if (picture) selection.drawPicture();
    openResults();
    Outcome outcome;
    outcome.counts = selection.selectAndCount(state);
    selection.writeSelected(state, residueOpener());
    if (picture) {
      picture::PlotCaption caption{"f", "r", static_cast<std::int64_t>(selection.atoms())};
      outcome.picture = plotSvg(*selection.picture(), state, caption);
    }
    return finish(outcome);
  }
};

void expectSame(const Outcome& got, const Outcome& expected, bool picture = true) {
  EXPECT_TRUE(got.result == expected.result) << "result.gro differs:\n" << got.result;
  EXPECT_TRUE(got.index == expected.index) << "list.ndx differs:\n" << got.index;
  EXPECT_EQ(got.residues, expected.residues);
  EXPECT_EQ(got.counts.atoms, expected.counts.atoms);
  EXPECT_EQ(got.counts.residues, expected.counts.residues);
  EXPECT_EQ(got.boxLine, expected.boxLine);
  if (picture) {
    EXPECT_TRUE(got.picture == expected.picture) << "the picture differs";
  }
}

// Blocks of every size from 1 byte to a line and a few put a block's end at every offset
// inside a line; the chunk sizes cut chunks before, inside and after blocks, and wraps fall on
// chunk edges.
std::vector<frames::LoadTuning> tunings() {
  std::vector<frames::LoadTuning> list;
  const std::size_t chunks[] = {1, 2, 7, 64, 1 << 18};
  std::vector<std::size_t> sizes;
  for (std::size_t bytes = 1; bytes <= 75; ++bytes) sizes.push_back(bytes);
  for (const std::size_t bytes : {100, 137, 139, 140, 141, 1000}) sizes.push_back(bytes);
  for (const std::size_t bytes : sizes) {
    frames::LoadTuning tuning;
    tuning.threads = 1;
    tuning.blockBytes = bytes;
    tuning.minPartBytes = 1;
    tuning.chunkRecords = chunks[bytes % std::size(chunks)];
    // Kept atoms spill past a few records, or the kept ones stay in memory.
    if (bytes % 3 == 0) tuning.spillAfterBytes = sizeof(frames::AtomRecord) * 5;
    list.push_back(tuning);
  }
  // Blocks split into parts on several threads.
  for (const std::size_t chunk : {std::size_t{5}, std::size_t{300}, std::size_t{1} << 18}) {
    list.push_back({frames::LoadTuning::Path::Bulk, 3, 2000, 97, chunk});
  }
  list.push_back({frames::LoadTuning::Path::PerLine, 1, 4 << 20, 512 << 10, 33});
  return list;
}

TEST_F(StreamEngineTest, GivesTheFilesOfTheWholeTableForEveryChunking) {
  const std::vector<frames::LoadTuning> all = tunings();
  for (const Content& content : contents()) {
    const std::string path = write(content.text);
    for (const Answers& answers : kAnswers) {
      SCOPED_TRACE(testing::Message() << content.what << ", " << answers.what);
      const Outcome expected = fromTable(path, answers);
      for (std::size_t t = 0; t < all.size(); ++t) {
        if (!content.everyOffset && t % 7 != 0 && t + 4 < all.size()) continue;
        SCOPED_TRACE(testing::Message() << "tuning " << t << ": block " << all[t].blockBytes
                                        << ", chunk " << all[t].chunkRecords);
        const bool picture = t % 2 == 0;
        expectSame(streamed(path, answers, all[t], picture), expected, picture);
        if (HasFailure()) return;
      }
    }
  }
}

// Enough atoms that blocks split into parts on several threads and the writers build their
// pieces on a crew, in chunks that end inside blocks: the files of the whole table, which a
// one-thread reading gives too. (The ThreadSanitizer build runs this one.)
TEST_F(StreamEngineTest, ParallelPartsAndWritersGiveTheFilesOfOneThread) {
  const std::string path = write("t\n30000\n" + waterLines(30000, false) + "1 1 1\n");
  const frames::LoadTuning oneThread{frames::LoadTuning::Path::Bulk, 1, 4 << 20, 512 << 10,
                                     1 << 18};
  const frames::LoadTuning parallel{frames::LoadTuning::Path::Bulk, 2, 64 << 10, 4 << 10, 5000};
  for (const Answers& answers : kAnswers) {
    SCOPED_TRACE(answers.what);
    const Outcome expected = fromTable(path, answers);
    expectSame(streamed(path, answers, oneThread), expected);
    expectSame(streamed(path, answers, parallel), expected);
    expectSame(streamed(path, answers, parallel, false), expected, false);
  }
}

// --pbc reads the box line before the passes: counted to in a file (through the unit where
// a byte 26 may end the lines early), after the spilled records in a pipe. Every run gives
// the files, or the box's problem, of the table moved to its images.
TEST_F(StreamEngineTest, PeriodicImagesGiveTheFilesOfTheMovedTable) {
  const std::vector<frames::LoadTuning> all = tunings();
  const std::string fifo = directory_ + "/moved.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<Content> moved = contents();
  // A byte 26 near the box line sends the search for it through the unit.
  moved.push_back({"byte 26 after the box line",
                   "t\n300\n" + waterLines(300, false) + "   1.5   1.5   1.5\n\x1a\n"});
  moved.push_back({"byte 26 in an atom line", "t\n3\n" + waterLines(1, false) + "x\x1ay\n" +
                                                  waterLines(1, false) + "   1.5   1.5   1.5\n"});
  for (const Content& content : moved) {
    const std::string path = write(content.text);
    for (const Answers& answers : kAnswers) {
      SCOPED_TRACE(testing::Message() << content.what << ", " << answers.what);
      const Outcome expected = fromMovedTable(path, answers);
      for (std::size_t t = 0; t < all.size(); t += 9) {
        SCOPED_TRACE(testing::Message() << "tuning " << t);
        const bool picture = t % 2 == 0;
        if (expected.result.rfind("problem: ", 0) == 0) {
          EXPECT_EQ(streamedMoved(path, answers, all[t], picture).result, expected.result);
          continue;
        }
        expectSame(streamedMoved(path, answers, all[t], picture), expected, picture);
      }
      std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << content.text; });
      frames::LoadTuning small;
      small.spillAfterBytes = sizeof(frames::AtomRecord) * 10;
      small.chunkRecords = 64;
      const Outcome piped = streamedMoved(fifo, answers, small, false);
      writer.join();
      EXPECT_EQ(piped.result.substr(0, 9) == "problem: ",
                expected.result.substr(0, 9) == "problem: ");
      if (piped.result.rfind("problem: ", 0) != 0) expectSame(piped, expected, false);
      if (HasFailure()) return;
    }
  }
}

// A FIFO written one byte at a time, its records kept in memory for a few records and
// spilled past them: the files of the regular file. Without a picture, "no" keeps only the
// selected atoms, spilled past the same budget.
TEST_F(StreamEngineTest, APipeOfSingleBytesSpillsAndGivesTheFilesOfTheFile) {
  const std::string text = contents()[0].text;
  const std::string path = write(text);
  const std::string fifo = directory_ + "/coords.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const Answers& answers : kAnswers) {
    SCOPED_TRACE(answers.what);
    const Outcome expected = fromTable(path, answers);
    for (const std::size_t memory : {std::size_t{1} << 24, sizeof(frames::AtomRecord) * 10}) {
      for (const bool picture : {true, false}) {
        std::thread writer([&] {
          std::ofstream out(fifo, std::ios::binary);
          for (const char c : text) out.write(&c, 1).flush();
        });
        frames::LoadTuning tuning;
        tuning.spillAfterBytes = memory;
        tuning.chunkRecords = 64;
        tuning.blockBytes = 1000;
        tuning.minPartBytes = 100;
        const Outcome got = streamed(fifo, answers, tuning, picture);
        writer.join();
        expectSame(got, expected, picture);
      }
    }
  }
}

}  // namespace
}  // namespace runs
