// Runs a fuzz target's entry point once on each input file, without libFuzzer, so that the seed
// corpora run in every test build (the sanitizer build included, which GCC makes). A directory
// argument stands for every regular file in it, in name order. A fault aborts the process as it
// would under libFuzzer; before each input the runner names it on standard error, so a failing
// test says which seed it was.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(const fs::path& argument) {
  std::vector<fs::path> inputs;
  std::error_code error;
  if (!fs::is_directory(argument, error)) return {argument};
  for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

bool Run(const fs::path& input) {
  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", input.c_str());
    return false;
  }
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::fprintf(stderr, "running %s (%zu bytes)\n", input.c_str(), bytes.size());
  // A buffer of exactly the input's size, as libFuzzer gives, so that AddressSanitizer sees a
  // read past the end (a vector's spare capacity would hide it); never null, even when empty.
  const std::unique_ptr<uint8_t[]> data = std::make_unique_for_overwrite<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), data.get());
  LLVMFuzzerTestOneInput(data.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 2;
  }
  size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& input : InputsOf(argv[i])) {
      if (!Run(input)) return 1;
      ++runs;
    }
  }
  if (runs == 0) {
    std::fprintf(stderr, "no inputs\n");
    return 1;
  }
  std::fprintf(stderr, "%zu inputs ran\n", runs);
  return 0;
}
