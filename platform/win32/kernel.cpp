// kernel32 threads, waits, handles and the thread's last-error value.
//
// A thread handle points at a shared record owned jointly by the handle and
// the running thread (a reference count), so CloseHandle on a running thread
// only drops the handle's share: the thread is detached and frees the record
// when it ends. Live handles are kept in a set, so a stale or forged handle
// is refused with ERROR_INVALID_HANDLE rather than dereferenced.
//
// WaitForSingleObject's timeout is real time even when the test hooks'
// virtual clock is on (the thread it waits for runs in real time).
// CREATE_SUSPENDED is refused: there is no ResumeThread in this subset.
#include "timer_internal.h"
#include "win32/allocation_faults.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace {

constexpr DWORD kStackSizeIsReservation = 0x00010000;  // STACK_SIZE_PARAM_IS_A_RESERVATION

thread_local DWORD lastError = ERROR_SUCCESS;

struct ThreadRecord {
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  DWORD id;
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
  std::atomic<int> refs{2};  // the handle and the thread itself
};

void Release(ThreadRecord* t) {
  if (t->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete t;
}

std::mutex& HandlesMutex() {
  static std::mutex m;
  return m;
}
std::unordered_set<ThreadRecord*>& Handles() {
  static std::unordered_set<ThreadRecord*> handles;
  return handles;
}

// The record behind a live handle with an extra reference held, or null.
ThreadRecord* Acquire(HANDLE handle) {
  auto* t = static_cast<ThreadRecord*>(handle);
  std::lock_guard<std::mutex> lock(HandlesMutex());
  if (handle == nullptr || Handles().count(t) == 0) return nullptr;
  t->refs.fetch_add(1, std::memory_order_relaxed);
  return t;
}

void RunThread(ThreadRecord* t) {
  const DWORD code = t->start(t->parameter);
  {
    std::lock_guard<std::mutex> lock(t->mutex);
    t->exitCode = code;
    t->finished = true;
  }
  t->ended.notify_all();
  Release(t);
}

std::atomic<DWORD> nextThreadId{0x1000};

}  // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

VOID WINAPI SetLastError(DWORD error) { lastError = error; }

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, size_t, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD flags, LPDWORD threadId) {
  if (start == nullptr || (flags & ~kStackSizeIsReservation) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (win32::AllocationFails("CreateThread")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* t = new ThreadRecord{};
  t->start = start;
  t->parameter = parameter;
  t->id = nextThreadId.fetch_add(4, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(HandlesMutex());
    Handles().insert(t);
  }
  try {
    std::thread(RunThread, t).detach();
  } catch (const std::system_error&) {
    {
      std::lock_guard<std::mutex> lock(HandlesMutex());
      Handles().erase(t);
    }
    delete t;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId != nullptr) *threadId = t->id;
  return t;
}

BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  ThreadRecord* t = Acquire(thread);
  if (t == nullptr || exitCode == nullptr) {
    if (t != nullptr) Release(t);
    SetLastError(t == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(t->mutex);
    *exitCode = t->exitCode;
  }
  Release(t);
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  ThreadRecord* t = Acquire(handle);
  if (t == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  bool done;
  {
    std::unique_lock<std::mutex> lock(t->mutex);
    if (milliseconds == INFINITE) {
      t->ended.wait(lock, [t] { return t->finished; });
      done = true;
    } else {
      done = t->ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [t] { return t->finished; });
    }
  }
  Release(t);
  return done ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  auto* t = static_cast<ThreadRecord*>(handle);
  {
    std::lock_guard<std::mutex> lock(HandlesMutex());
    if (handle == nullptr || Handles().erase(t) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  Release(t);
  return TRUE;
}

VOID WINAPI Sleep(DWORD milliseconds) {
  if (timer_internal::SleepVirtual(milliseconds)) return;
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The same count as timeGetTime (virtual under the test hooks' clock).
DWORD WINAPI GetTickCount(void) { return timer_internal::Now(); }
