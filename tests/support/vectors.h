// Access to the conformance vectors, read at test time and never copied into
// the project. ZT_VECTORS_DIR overrides the default location. A missing file
// skips the test, except under CI (CI set), where it fails the run so that a
// wrong path cannot pass silently.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zt_test {

inline std::filesystem::path VectorsDir() {
  const char *env = std::getenv("ZT_VECTORS_DIR");
  return env != nullptr && *env != '\0' ? std::filesystem::path(env)
                                        : std::filesystem::path(ZT_DEFAULT_VECTORS_DIR);
}

inline std::filesystem::path VectorPath(const std::string &relative) {
  return VectorsDir() / relative;
}

// Whole file as bytes.
inline std::vector<uint8_t> ReadBytes(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whole file as little-endian 16-bit words.
inline std::vector<uint16_t> ReadWords(const std::filesystem::path &path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  std::vector<uint16_t> words(bytes.size() / 2);
  for (std::size_t i = 0; i < words.size(); ++i) {
    words[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return words;
}

}  // namespace zt_test

// Skips (or, under CI, fails) the current test when the vector file is absent.
#define ZT_REQUIRE_VECTOR(relative)                                                               \
  do {                                                                                            \
    const auto zt_path_ = ::zt_test::VectorPath(relative);                                        \
    if (!std::filesystem::exists(zt_path_)) {                                                     \
      if (std::getenv("CI") != nullptr) {                                                         \
        FAIL() << "conformance vector missing under CI: " << zt_path_ << " (set ZT_VECTORS_DIR)"; \
      }                                                                                           \
      GTEST_SKIP() << "conformance vector not found: " << zt_path_                                \
                   << " (set ZT_VECTORS_DIR to run this test)";                                   \
    }                                                                                             \
  } while (0)
