#include "concurrency.h"

#include <cerrno>
#include <new>
#include <pthread.h>
#include <semaphore.h>

namespace {

// The worker only writes blocks made elsewhere: a small stack is plenty.
constexpr std::size_t worker_stack_size = 64 * 1024;

template <typename native_type, std::size_t size>
native_type& as_native(unsigned char (&storage)[size])
{
    static_assert(sizeof(native_type) <= size && alignof(native_type) <= alignof(std::max_align_t));
    return *std::launder(reinterpret_cast<native_type*>(storage));
}

}  // namespace

struct worker_thread_entry {
    static void* run(void* thread)
    {
        static_cast<worker_thread*>(thread)->run();
        return nullptr;
    }
};

semaphore::semaphore(unsigned count) noexcept
{
    usable_ = sem_init(new (native_) sem_t, 0, count) == 0;
}

semaphore::~semaphore()
{
    if (usable_) sem_destroy(&as_native<sem_t>(native_));
}

void semaphore::post() noexcept
{
    sem_post(&as_native<sem_t>(native_));
}

void semaphore::wait() noexcept
{
    while (sem_wait(&as_native<sem_t>(native_)) != 0 && errno == EINTR) {}
}

bool semaphore::try_wait() noexcept
{
    return sem_trywait(&as_native<sem_t>(native_)) == 0;
}

bool worker_thread::start(void (*work)(void*), void* argument) noexcept
{
    work_ = work;
    argument_ = argument;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setstacksize(&attributes, worker_stack_size);
    pthread_t* const thread = new (native_) pthread_t;
    const bool started = pthread_create(thread, &attributes, worker_thread_entry::run, this) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

void worker_thread::join() noexcept
{
    pthread_join(as_native<pthread_t>(native_), nullptr);
}
