// Threads, handles and the last-error value.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A worker that blocks until released, then returns its argument's code.
struct Gate {
  std::atomic<bool> open{false};
  std::atomic<bool> running{false};
  std::atomic<bool> finished{false};  // the worker touches the gate no more
  DWORD result = 0;
};

DWORD WINAPI GatedWorker(LPVOID param) {
  auto* gate = static_cast<Gate*>(param);
  gate->running = true;
  while (!gate->open.load()) std::this_thread::yield();
  const DWORD result = gate->result;
  gate->finished = true;
  return result;
}

DWORD WINAPI ErrorWorker(LPVOID param) {
  SetLastError(1234);
  *static_cast<DWORD*>(param) = GetLastError();
  return 0;
}

TEST(KernelThreads, ExitCodeIsStillActiveUntilTheRoutineReturns) {
  Gate gate;
  gate.result = 42;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, GatedWorker, &gate, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);

  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  gate.open = true;
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(CloseHandle(thread));
}

// The way the program watches its worker: poll the exit code from the main
// thread while the worker ends (this is what ThreadSanitizer checks).
TEST(KernelThreads, PollingTheExitCodeSeesTheResult) {
  Gate gate;
  gate.result = 7;
  HANDLE thread = CreateThread(nullptr, 0, GatedWorker, &gate, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  gate.open = true;
  DWORD code = STILL_ACTIVE;
  while (code == STILL_ACTIVE) {
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    std::this_thread::yield();
  }
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(KernelThreads, ClosingARunningThreadLetsItFinish) {
  Gate gate;
  HANDLE thread = CreateThread(nullptr, 0, GatedWorker, &gate, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  while (!gate.running.load()) std::this_thread::yield();
  EXPECT_TRUE(CloseHandle(thread));
  // The handle is gone at once; the thread is not.
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  gate.open = true;
  // With its handle closed nothing can wait for the thread, so the test
  // waits for it to leave the gate, which lives on this stack.
  while (!gate.finished.load()) std::this_thread::yield();
  // Another thread created after it still works normally.
  Gate second;
  second.result = 3;
  second.open = true;
  HANDLE other = CreateThread(nullptr, 0, GatedWorker, &second, 0, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(WaitForSingleObject(other, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(CloseHandle(other));
}

TEST(KernelThreads, ThreadIdsDiffer) {
  Gate gate;
  gate.open = true;
  DWORD ids[2] = {};
  HANDLE threads[2];
  for (int i = 0; i < 2; ++i) {
    threads[i] = CreateThread(nullptr, 0, GatedWorker, &gate, 0, &ids[i]);
    ASSERT_NE(threads[i], nullptr);
  }
  EXPECT_NE(ids[0], ids[1]);
  for (HANDLE t : threads) {
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(CloseHandle(t));
  }
}

TEST(KernelThreads, RefusedArguments) {
  Gate gate;
  SetLastError(0);
  EXPECT_EQ(CreateThread(nullptr, 0, GatedWorker, &gate, CREATE_SUSPENDED, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, &gate, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(KernelHandles, StaleAndForgedHandlesAreRefused) {
  Gate gate;
  gate.open = true;
  HANDLE thread = CreateThread(nullptr, 0, GatedWorker, &gate, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(CloseHandle(thread));

  int notAHandle = 0;
  const HANDLE bad[] = {thread, nullptr, &notAHandle};
  for (HANDLE h : bad) {
    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeThread(h, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}

TEST(KernelLastError, IsPerThread) {
  SetLastError(77);
  DWORD seenByWorker = 0;
  HANDLE thread = CreateThread(nullptr, 0, ErrorWorker, &seenByWorker, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(seenByWorker, 1234u);
  EXPECT_EQ(GetLastError(), 77u);
  EXPECT_TRUE(CloseHandle(thread));
}

}  // namespace
