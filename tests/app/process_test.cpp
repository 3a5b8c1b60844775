// The program as a process of its own (tests/support/app_child.cpp): stop
// signals from outside, a start without a display, and the display mode
// given back when the process ends.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "data_set.h"

extern char** environ;

namespace {

// A running app_child with its stdout and stderr read through pipes.
class Child {
 public:
  Child(const std::vector<std::string>& args, const std::vector<std::string>& unset = {},
        const std::vector<std::string>& set = {}) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      close(out[0]);
      close(err[0]);
      for (const std::string& name : unset) unsetenv(name.c_str());
      for (const std::string& pair : set) putenv(const_cast<char*>(pair.c_str()));
      std::vector<char*> argv{const_cast<char*>(MORVANE_APP_CHILD)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execve(MORVANE_APP_CHILD, argv.data(), environ);
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

  bool Started() const { return pid_ > 0; }
  void Signal(int sig) const { kill(pid_, sig); }

  // Waits up to the timeout for a stdout line starting with prefix; returns
  // the line, or "" on timeout or end of output.
  std::string WaitForLine(const std::string& prefix, int timeoutMs = 20000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      size_t nl;
      while ((nl = outText_.find('\n')) != std::string::npos) {
        std::string line = outText_.substr(0, nl);
        outText_.erase(0, nl + 1);
        seen_.push_back(line);
        if (line.compare(0, prefix.size(), prefix) == 0) return line;
      }
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count());
      if (left <= 0 || !ReadSome(out_, &outText_, left)) return "";
    }
  }

  // Waits for the process to end; false on timeout. status gets waitpid's.
  bool Wait(int* status, int timeoutMs = 20000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      pid_t r = waitpid(pid_, status, WNOHANG);
      if (r == pid_) {
        reaped_ = true;
        Drain();
        return true;
      }
      usleep(10000);
    }
    return false;
  }

  const std::string& ErrText() const { return errText_; }
  std::string AllOut() {
    std::string all;
    for (const std::string& l : seen_) all += l + "\n";
    return all + outText_;
  }

 private:
  static bool ReadSome(int fd, std::string* into, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into->append(buffer, static_cast<size_t>(n));
    return true;
  }
  void Drain() {
    while (ReadSome(out_, &outText_, 0)) {
    }
    while (ReadSome(err_, &errText_, 0)) {
    }
  }

  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  bool reaped_ = false;
  std::string outText_, errText_;
  std::vector<std::string> seen_;
};

struct SignalCase {
  int sig;
  bool fullScreen;
};

TEST(ProcessTest, AStopSignalInTheMainLoopClosesTheWindowAndTearsDown) {
  // The child starts in this folder, with a small data set to load.
  app_test::ScratchFolder folder;
  app_test::WritePlain(app_test::DataSet{});
  for (SignalCase c : {SignalCase{SIGTERM, false}, SignalCase{SIGINT, true}}) {
    SCOPED_TRACE(c.sig);
    std::vector<std::string> args{"run"};
    if (c.fullScreen) args.push_back("full");
    Child child(args);
    ASSERT_TRUE(child.Started());
    std::string desktop = child.WaitForLine("desktop ").substr(8);
    ASSERT_FALSE(desktop.empty());
    std::string running = child.WaitForLine("running ");
    ASSERT_FALSE(running.empty()) << child.AllOut();
    if (c.fullScreen) {
      EXPECT_EQ(running, "running 800x600");
    }
    child.Signal(c.sig);
    EXPECT_EQ(child.WaitForLine("ended "), "ended closed=1 signal=" + std::to_string(c.sig));
    EXPECT_EQ(child.WaitForLine("after "), "after " + desktop);
    int status = 0;
    ASSERT_TRUE(child.Wait(&status));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
  }
}

TEST(ProcessTest, AStopSignalInTheDialogIsCancel) {
  Child child({"dialog"});
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(child.WaitForLine("dialog"), "dialog");
  child.Signal(SIGINT);
  EXPECT_EQ(child.WaitForLine("ended "), "ended window=0 signal=2");
  int status = 0;
  ASSERT_TRUE(child.Wait(&status));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST(ProcessTest, ASecondSignalWhileTearingDownEndsAtOnce) {
  // The child starts in this folder, with a small data set to load.
  app_test::ScratchFolder folder;
  app_test::WritePlain(app_test::DataSet{});
  Child child({"run", "slow"});
  ASSERT_TRUE(child.Started());
  ASSERT_FALSE(child.WaitForLine("running ").empty()) << child.AllOut();
  child.Signal(SIGINT);
  ASSERT_EQ(child.WaitForLine("tearing down"), "tearing down");
  child.Signal(SIGINT);
  int status = 0;
  ASSERT_TRUE(child.Wait(&status, 5000));
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
  EXPECT_EQ(child.AllOut().find("finished"), std::string::npos);
}

TEST(ProcessTest, ThePlatformGivesTheDisplayModeBackAtExit) {
  Child child({"exit-restore"});
  ASSERT_TRUE(child.Started());
  std::string desktop = child.WaitForLine("desktop ").substr(8);
  ASSERT_FALSE(desktop.empty());
  EXPECT_EQ(child.WaitForLine("switched "), "switched 800x600");
  EXPECT_EQ(child.WaitForLine("at exit "), "at exit " + desktop);
  int status = 0;
  ASSERT_TRUE(child.Wait(&status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Without a display the plain program must not fall back to a headless
// driver and wait in a dialog nobody sees: exit 1 with one line saying why.
TEST(ProcessTest, ThePlainProgramWithoutADisplayExitsWithTheReason) {
  if (access("/dev/dri", F_OK) == 0) GTEST_SKIP() << "a console display (KMSDRM) may start here";
  struct Case {
    std::vector<std::string> set;
    const char* mentions;
  } cases[] = {
      {{"DISPLAY=:93"}, "(DISPLAY=:93): x11 not available"},
      {{"DISPLAY=:93", "SDL_VIDEODRIVER=x11"},
       "(DISPLAY=:93, SDL_VIDEODRIVER=x11): x11 not available"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mentions);
    Child child({"plain"}, {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY"}, c.set);
    ASSERT_TRUE(child.Started());
    int status = 0;
    ASSERT_TRUE(child.Wait(&status));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string& err = child.ErrText();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.find("app_child: no display "), 0u) << err;
    EXPECT_NE(err.find(c.mentions), std::string::npos) << err;
  }
}

}  // namespace
