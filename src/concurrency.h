#pragma once
#include <cstddef>

// The platform's threads and semaphores, as little of them as the block writer needs. Each
// object holds the platform's own in storage of its own; the platform's file checks the fit.

// A count of things to take: taking one sleeps while there are none.
class semaphore {
public:
    explicit semaphore(unsigned count) noexcept;
    ~semaphore();
    semaphore(const semaphore&) = delete;
    semaphore& operator=(const semaphore&) = delete;

    // False if the platform could not make it; it must then not be used.
    bool usable() const noexcept { return usable_; }
    void post() noexcept;
    void wait() noexcept;
    // Takes one if there is one, without sleeping.
    bool try_wait() noexcept;

private:
    alignas(std::max_align_t) unsigned char native_[32];
    bool usable_ = false;
};

// `work(argument)` run on a thread of its own, from `start` until `join` has seen it end.
class worker_thread {
public:
    worker_thread() noexcept = default;
    worker_thread(const worker_thread&) = delete;
    worker_thread& operator=(const worker_thread&) = delete;

    // False if the thread could not start, and the caller must do the work itself.
    bool start(void (*work)(void*), void* argument) noexcept;
    void join() noexcept;

private:
    friend struct worker_thread_entry;  // the platform's thread function, which calls run
    void run() noexcept { work_(argument_); }

    void (*work_)(void*) = nullptr;
    void* argument_ = nullptr;
    alignas(std::max_align_t) unsigned char native_[16];
};
