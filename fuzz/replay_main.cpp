// Replays fuzzing inputs without libFuzzer, so that the seed corpora and the regression cases
// run as ordinary tests in every build (also the g++ and sanitizer ones): each argument is a
// file or a directory of files, each file one input. Prints how many inputs ran.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // An empty vector's data() may be null; libFuzzer always passes a valid pointer.
  static const std::uint8_t kNothing = 0;
  const auto* data =
      bytes.empty() ? &kNothing : reinterpret_cast<const std::uint8_t*>(bytes.data());
  return LLVMFuzzerTestOneInput(data, bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(path)) {
      files.push_back(path);
    } else {
      std::fprintf(stderr, "replay: no file or directory %s\n", argv[i]);
      return 2;
    }
    for (const auto& file : files) {
      replay(file);
      ++inputs;
    }
  }
  std::printf("replayed %zu inputs\n", inputs);
  return inputs > 0 ? 0 : 1;
}
