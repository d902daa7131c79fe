// Threads and a lock where the platform's C++ library has them; the
// Windows tool chain's has neither, so there work runs on the one thread
// and the lock is the system's own.
#pragma once

#include <functional>
#include <mutex>

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#define KWEN_ONE_THREAD 1
#include <windows.h>
#endif

#if defined(KWEN_ONE_THREAD)
class Lock {
 public:
  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};
#else
using Lock = std::mutex;
#endif

// How many threads work may usefully be spread over.
int ProcessorCount();
// Runs work(0) on this thread and work(1) to work(count - 1) on threads of
// their own (or one after another where there are no threads); returns
// when all have returned. `work` must not throw.
void RunTogether(int count, const std::function<void(int)>& work);
