#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

namespace hoverdeck::testing {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  do {
    path_ = std::filesystem::temp_directory_path() /
            ("hoverdeck-test-" + std::to_string(std::random_device()()) + "-" +
             std::to_string(counter++));
  } while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace hoverdeck::testing
