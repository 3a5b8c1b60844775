#include "support/scratch.h"

#include <stdlib.h>

namespace test_support {

ScratchFolder::ScratchFolder(const std::string& stem) {
  std::error_code error;
  previous_ = std::filesystem::current_path(error);
  std::string pattern = (std::filesystem::temp_directory_path(error) / (stem + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return;
  path_ = pattern;
  std::filesystem::current_path(path_, error);
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

bool ScratchFolder::Write(const std::filesystem::path& name, const Bytes& bytes) const {
  return !path_.empty() && WriteFile(path_ / name, bytes);
}

}  // namespace test_support
