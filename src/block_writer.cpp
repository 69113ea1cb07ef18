#include "block_writer.h"

#include <cstring>
#include <thread>

namespace {

// Waking a sleeping thread can take as long as writing a block, on virtual machines above all,
// and the two threads hand each other a block every few dozen microseconds: a waiting thread
// offers its processor for a while (a tenth of a millisecond or so) before it sleeps.
constexpr int turns_before_sleeping = 200;

void take(semaphore& count) noexcept
{
    for (int turn = 0; turn < turns_before_sleeping; ++turn) {
        if (count.try_wait()) return;
        std::this_thread::yield();
    }
    count.wait();
}

}  // namespace

block_writer::block_writer(std::FILE* out, bool show_each_block) noexcept
    : out_(out), show_each_block_(show_each_block)
{
}

void block_writer::send() noexcept
{
    if (worker_state_ == worker_state::not_started) start_worker();
    const std::size_t size = show_each_block_ ? filled_ : bytes_to_block_end();
    if (size == 0) return;  // an empty block would tell the worker to stop
    if (worker_state_ == worker_state::running) {
        hand_to_worker(size);
    } else {
        write_at_once(size);
    }
}

void block_writer::finish() noexcept
{
    if (worker_state_ == worker_state::running) {
        if (filled_ > 0) hand_to_worker(filled_);
        stop_worker();
    } else if (filled_ > 0) {
        write_at_once(filled_);  // a short output is not worth a thread
    }
    std::fflush(out_);
}

void block_writer::start_worker() noexcept
{
    // On a terminal each line must show before the next is made: nothing to overlap.
    worker_state_ = worker_state::unavailable;
    if (show_each_block_) return;
    // Where block ends fall; on a stream without positions (a pipe) anywhere will do.
    const long position = std::ftell(out_);
    block_start_ = position > 0 ? static_cast<std::size_t>(position) % block_size : 0;
    if (blocks_sent_.usable() && blocks_free_.usable() && worker_.start(write_blocks, this)) {
        worker_state_ = worker_state::running;
    }
}

void block_writer::stop_worker() noexcept
{
    if (worker_state_ != worker_state::running) return;
    blocks_[filling_].size = 0;
    blocks_sent_.post();
    worker_.join();
    worker_state_ = worker_state::not_started;
    filling_ = 0;
}

std::size_t block_writer::bytes_to_block_end() const noexcept
{
    const std::size_t end = block_start_ + filled_;
    return end < block_size ? 0 : end - end % block_size - block_start_;
}

void block_writer::hand_to_worker(std::size_t size) noexcept
{
    block& sent = blocks_[filling_];
    sent.size = size;
    blocks_sent_.post();
    filling_ ^= 1;
    take(blocks_free_);
    // The worker reads the sent block only up to `size`; what lies beyond is copied out.
    std::memcpy(blocks_[filling_].bytes, sent.bytes + size, filled_ - size);
    filled_ -= size;
    block_start_ = 0;
}

void block_writer::write_at_once(std::size_t size) noexcept
{
    unsigned char* const bytes = blocks_[filling_].bytes;
    std::fwrite(bytes, 1, size, out_);
    if (show_each_block_) std::fflush(out_);
    std::memmove(bytes, bytes + size, filled_ - size);
    filled_ -= size;
    block_start_ = (block_start_ + size) % block_size;
}

void block_writer::write_blocks(void* writer) noexcept
{
    auto& self = *static_cast<block_writer*>(writer);
    for (std::size_t next = 0;; next ^= 1) {
        take(self.blocks_sent_);
        const block& sent = self.blocks_[next];
        if (sent.size == 0) return;
        std::fwrite(sent.bytes, 1, sent.size, self.out_);
        self.blocks_free_.post();
    }
}
