// A headless OpenGL 3.3 core context for tests: EGL with no display (Mesa's
// surfaceless platform, else the default display) and a 1x1 pbuffer, current
// on the thread that made it until destroyed. Tests only; the device has its
// own.
#ifndef MORVANE_TESTS_SUPPORT_EGL_CONTEXT_H
#define MORVANE_TESTS_SUPPORT_EGL_CONTEXT_H

#include <string>

namespace testing_gl {

class EglContext {
 public:
  EglContext();
  ~EglContext();
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  // False with the reason in error() when no 3.3 core context could be made.
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  void* display_ = nullptr;
  void* context_ = nullptr;
  void* surface_ = nullptr;
  std::string error_;
};

}  // namespace testing_gl

#endif  // MORVANE_TESTS_SUPPORT_EGL_CONTEXT_H
