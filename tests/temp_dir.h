// A fresh directory under the system's temp directory, removed with its
// contents at the end of the test.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace ruvex::testing {

class TempDir {
 public:
  // prefix names the suite, e.g. "ruvex-eval". The directory is created
  // under a random name, retried on a clash; Dir() is empty if none could be.
  explicit TempDir(const std::string& prefix = "ruvex-test") {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate = base / (prefix + "-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
    }
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) {
      std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
      std::filesystem::remove_all(path_, ignored);
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, ending in '/', as the executable's directory is given.
  std::string Dir() const { return path_.empty() ? std::string{} : path_ + "/"; }
  std::string File(const std::string& name) const { return Dir() + name; }

 private:
  std::string path_;
};

}  // namespace ruvex::testing
