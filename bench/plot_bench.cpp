// What the selection picture costs beside the selection itself, on 1 000 000 atoms in memory
// (a water lattice as make_examples.sh writes it): the two passes alone, and the picture
// (extent, six density grids with a second pass of its own, SVG text).
// Build with -DGRO_BENCH=ON; run build-dir/plot_bench.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "picture/plot_svg.h"
#include "selection/passes.h"

namespace {

constexpr int kWaters = 333334;

struct Lattice {
  std::vector<frames::AtomRecord> records;
  frames::AtomTable table;
};

const Lattice& lattice() {
  static const Lattice* built = [] {
    auto* l = new Lattice;
    const int side = 70;  // 70^3 > kWaters sites, 0.31 nm apart
    const char* names[3] = {"   OW", "  HW1", "  HW2"};
    for (int w = 0; w < kWaters; ++w) {
      const float x = 0.31f * static_cast<float>(w % side);
      const float y = 0.31f * static_cast<float>((w / side) % side);
      const float z = 0.31f * static_cast<float>(w / (side * side));
      for (int a = 0; a < 3; ++a) {
        frames::AtomRecord r{};
        r.residueNumber = (w + 1) % 100000;
        std::memcpy(r.residueName, "SOL  ", 5);
        std::memcpy(r.atomName, names[a], 5);
        r.atomNumber = (3 * w + a + 1) % 100000;
        r.x = x + 0.08f * static_cast<float>(a);
        r.y = y + 0.06f * static_cast<float>(a == 2);
        r.z = z;
        l->records.push_back(r);
      }
    }
    l->table.records = l->records.data();
    l->table.size = l->records.size();
    l->table.declaredCount = static_cast<std::int64_t>(l->records.size());
    return l;
  }();
  return *built;
}

selection::RunState ballState() {
  selection::RunState state;
  state.shape = 2;
  state.parameters.ball = {5, 5, 5, 3};
  std::memcpy(state.names.atomName.data(), "any  ", 5);
  std::memcpy(state.names.residueName.data(), "any  ", 5);
  state.wholeResidues = selection::WholeResidues::Yes;
  return state;
}

void selectionPasses(benchmark::State& bench) {
  const frames::AtomTable& table = lattice().table;
  for (auto _ : bench) {
    selection::RunState state = ballState();
    selection::firstPass(table, state);
    std::int64_t sum = 0;
    selection::secondPass(
        table, state,
        [&sum](const frames::AtomRecord&, std::int64_t, std::int32_t number) { sum += number; });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(selectionPasses)->Unit(benchmark::kMillisecond);

// The atoms of the listed residues after the first pass of a "yes" run (water oxygens in a slab
// of a tenth of the lattice): the walk over the whole table against the runs around the
// matching atoms.
void wholeResidues(benchmark::State& bench, bool runs) {
  const frames::AtomTable& table = lattice().table;
  selection::RunState state;
  state.shape = 1;
  state.parameters.box = {0, 2.17f, -99, 99, -99, 99};
  std::memcpy(state.names.atomName.data(), "OW   ", 5);
  std::memcpy(state.names.residueName.data(), "SOL  ", 5);
  state.wholeResidues = selection::WholeResidues::Yes;
  selection::firstPass(table, state);
  std::vector<std::uint64_t> bits;
  for (auto _ : bench) {
    benchmark::DoNotOptimize(runs ? selection::markRunsOfMatches(table, state.matched, bits)
                                  : selection::markListedResidues(table, state.residues, bits));
  }
}
BENCHMARK_CAPTURE(wholeResidues, walk, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(wholeResidues, runs, true)->Unit(benchmark::kMillisecond);

void picture(benchmark::State& bench) {
  const frames::AtomTable& table = lattice().table;
  selection::RunState state = ballState();
  selection::firstPass(table, state);
  for (auto _ : bench) {
    benchmark::DoNotOptimize(picture::drawSelection(table, state, {"big.gro", "", 0}));
  }
}
BENCHMARK(picture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
