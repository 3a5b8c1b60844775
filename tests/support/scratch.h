// Scratch folders for tests and benchmarks that read and write files by
// name: a fresh empty folder under the temporary directory, made the
// current directory while the object lives, and removed with everything in
// it afterwards (the previous current directory restored first).
//
// Does not: survive a crash (the folder is then left in the temporary
// directory). The current directory is the process's: one scratch folder at
// a time, on the thread that runs the test.
#ifndef MORVANE_TESTS_SUPPORT_SCRATCH_H
#define MORVANE_TESTS_SUPPORT_SCRATCH_H

#include <filesystem>
#include <string>

#include "support/bytes.h"

namespace test_support {

class ScratchFolder {
 public:
  // The folder is "<temp>/<stem>-XXXXXX"; path() is empty when it could not
  // be made (the current directory then stays).
  explicit ScratchFolder(const std::string& stem = "morvane-test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` as `name` inside the folder; false when it cannot.
  bool Write(const std::filesystem::path& name, const Bytes& bytes) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

}  // namespace test_support

#endif  // MORVANE_TESTS_SUPPORT_SCRATCH_H
