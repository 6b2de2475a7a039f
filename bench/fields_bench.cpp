// Micro-benchmarks of the field conversions behind an atom line: the fast paths against the
// general routines for F8.3 input and output and I5 input, and a whole file of atom lines
// read into records. Build with -DGRO_BENCH=ON; run build-dir/fields_bench.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "frames/atom_lines.h"
#include "frames/atom_table.h"
#include "textio/fields/fixed_fields.h"
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace {

// F8.3 texts as GROMACS writes them, 4096 different values in (-1000, 10000).
std::vector<std::string> positionTexts() {
  std::vector<std::string> texts;
  char text[16];
  for (int i = 0; i < 4096; ++i) {
    std::snprintf(text, sizeof text, "%8.3f", ((i * 7919) % 10999000 - 999000) / 1000.0);
    texts.emplace_back(text);
  }
  return texts;
}

void parseF8_3(benchmark::State& state, textio::fields::RealField (*parse)(std::string_view, int)) {
  const std::vector<std::string> texts = positionTexts();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(parse(texts[i++ & 4095], 3));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(parseF8_3, fast, &textio::fields::parseRealField);
BENCHMARK_CAPTURE(parseF8_3, general, &textio::fields::parseRealFieldGeneral);

void parseI5(benchmark::State& state, textio::fields::IntegerField (*parse)(std::string_view)) {
  std::vector<std::string> texts;
  char text[16];
  for (int i = 0; i < 4096; ++i) {
    std::snprintf(text, sizeof text, "%5d", (i * 7919) % 100000);
    texts.emplace_back(text);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(parse(texts[i++ & 4095]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(parseI5, fast, &textio::fields::parseIntegerField);
BENCHMARK_CAPTURE(parseI5, general, &textio::fields::parseIntegerFieldGeneral);

void formatF8_3(benchmark::State& state,
                textio::fields::FieldFit (*format)(float, int, int, std::string&)) {
  std::vector<float> values;
  for (const std::string& text : positionTexts()) {
    values.push_back(textio::fields::parseRealField(text, 3).value);
  }
  std::string out;
  std::size_t i = 0;
  for (auto _ : state) {
    out.clear();
    format(values[i++ & 4095], 8, 3, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(formatF8_3, fast, &textio::fields::formatFixed);
BENCHMARK_CAPTURE(formatF8_3, general, &textio::fields::formatFixedGeneral);

// Whole atom lines of the standard layout built from records, as the result writer does: 4096
// records of a water box, positions and velocities scattered as in a real system (values in a
// smooth sequence would let the branch predictor learn their digits).
void formatAtomLines(benchmark::State& state, bool prepared) {
  std::vector<frames::AtomRecord> records(4096);
  std::uint32_t seed = 12345;
  const auto uniform = [&seed](float low, float high) {
    seed = seed * 1664525u + 1013904223u;
    return low + (high - low) * static_cast<float>(seed >> 8) / 16777216.0f;
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    records[i] = {static_cast<std::int32_t>(i / 3 + 1),
                  {'S', 'O', 'L', ' ', ' '},
                  {' ', ' ', 'O', 'W', ' '},
                  static_cast<std::int32_t>(i + 1),
                  uniform(0, 36.9f),
                  uniform(0, 36.9f),
                  uniform(0, 36.9f),
                  uniform(-1.2f, 1.2f),
                  uniform(-1.2f, 1.2f),
                  uniform(-1.2f, 1.2f)};
  }
  const textio::layouts::LineFormat format(textio::layouts::kAtomLine, frames::kAtomLinePlaces);
  std::string out;
  std::size_t i = 0;
  for (auto _ : state) {
    if (prepared) {
      out.resize(format.width());
      format.write(&records[i++ & 4095], out.data());
    } else {
      out.clear();
      textio::layouts::formatFixedLine(textio::layouts::kAtomLine, frames::kAtomLinePlaces,
                                       &records[i++ & 4095], out);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(formatAtomLines, statement, false);
BENCHMARK_CAPTURE(formatAtomLines, prepared, true);

// A file of atom lines in a temporary directory, read into records in one call per pass.
void readAtomLines(benchmark::State& state) {
  const auto atoms = static_cast<std::size_t>(state.range(0));
  std::string directory =
      (std::filesystem::temp_directory_path() / "gro-fields-bench-XXXXXX").string();
  if (::mkdtemp(directory.data()) == nullptr) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  const std::string path = directory + "/atoms.gro";
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fprintf(file, "bench\n%zu\n", atoms);
    for (std::size_t i = 1; i <= atoms; ++i) {
      std::fprintf(file, "%5zuSOL  %5s%5zu%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f\n", (i / 3 + 1) % 100000,
                   i % 3 == 1 ? "OW" : "HW1", i % 100000, (i % 9973) * 0.002, (i % 7919) * 0.003,
                   (i % 5003) * 0.004, (i % 89) * 0.01 - 0.44, (i % 97) * 0.01 - 0.48,
                   (i % 83) * 0.01 - 0.41);
    }
    std::fclose(file);
  }
  static constexpr textio::layouts::FieldPlace places[] = {
      {offsetof(frames::AtomRecord, residueNumber), 0},
      {offsetof(frames::AtomRecord, residueName), 5},
      {offsetof(frames::AtomRecord, atomName), 5},
      {offsetof(frames::AtomRecord, atomNumber), 0},
      {offsetof(frames::AtomRecord, x), 0},
      {offsetof(frames::AtomRecord, y), 0},
      {offsetof(frames::AtomRecord, z), 0},
      {offsetof(frames::AtomRecord, vx), 0},
      {offsetof(frames::AtomRecord, vy), 0},
      {offsetof(frames::AtomRecord, vz), 0}};
  std::vector<frames::AtomRecord> records(atoms);
  for (auto _ : state) {
    textio::units::openUnit(10, path, "OLD", "SEQUENTIAL");
    textio::freeform::readList(10, {});
    textio::freeform::readList(10, {});
    const textio::layouts::FixedRecordsRead got =
        textio::layouts::readFixedRecords(10, textio::layouts::kAtomLine, places, records.data(),
                                          sizeof(frames::AtomRecord), records.size(), atoms);
    benchmark::DoNotOptimize(got.records);
    textio::units::closeUnit(10);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(atoms));
  std::remove(path.c_str());
  ::rmdir(directory.c_str());
}
BENCHMARK(readAtomLines)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
