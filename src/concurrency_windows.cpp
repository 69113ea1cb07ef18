#include "concurrency.h"

#include <climits>
#include <new>
#include <windows.h>

namespace {

// The worker only writes blocks made elsewhere: a small stack is plenty.
constexpr SIZE_T worker_stack_size = 64 * 1024;

template <std::size_t size>
HANDLE& as_handle(unsigned char (&storage)[size])
{
    static_assert(sizeof(HANDLE) <= size);
    return *std::launder(reinterpret_cast<HANDLE*>(storage));
}

}  // namespace

struct worker_thread_entry {
    static DWORD WINAPI run(LPVOID thread)
    {
        static_cast<worker_thread*>(thread)->run();
        return 0;
    }
};

semaphore::semaphore(unsigned count) noexcept
{
    const HANDLE made = CreateSemaphoreA(nullptr, static_cast<LONG>(count), LONG_MAX, nullptr);
    new (native_) HANDLE(made);
    usable_ = made != nullptr;
}

semaphore::~semaphore()
{
    if (usable_) CloseHandle(as_handle(native_));
}

void semaphore::post() noexcept
{
    ReleaseSemaphore(as_handle(native_), 1, nullptr);
}

void semaphore::wait() noexcept
{
    WaitForSingleObject(as_handle(native_), INFINITE);
}

bool semaphore::try_wait() noexcept
{
    return WaitForSingleObject(as_handle(native_), 0) == WAIT_OBJECT_0;
}

bool worker_thread::start(void (*work)(void*), void* argument) noexcept
{
    work_ = work;
    argument_ = argument;
    const HANDLE thread = CreateThread(nullptr, worker_stack_size, worker_thread_entry::run, this,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    new (native_) HANDLE(thread);
    return thread != nullptr;
}

void worker_thread::join() noexcept
{
    WaitForSingleObject(as_handle(native_), INFINITE);
    CloseHandle(as_handle(native_));
}
