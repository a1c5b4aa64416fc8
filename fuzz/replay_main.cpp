// main() of the replay programs: runs every input file named on the command
// line, or found in a directory named there, through the fuzz target once.
// Each input sits in a heap buffer of exactly its size, as under libFuzzer.
// A broken promise aborts; an empty corpus fails, so that a wrong path cannot
// pass.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path &path) {
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);  // names the input if it aborts
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  // An exact-size copy, so that a read past the input is caught by the
  // sanitizers and by valgrind.
  const auto copy = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  LLVMFuzzerTestOneInput(copy.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto &entry : std::filesystem::directory_iterator(arg)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else {
      inputs.push_back(arg);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: %s <corpus dir or input file>... (no input found)\n", argv[0]);
    return 2;
  }
  for (const auto &path : inputs) {
    if (!Replay(path)) return 1;
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return 0;
}
