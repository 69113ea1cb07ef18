#pragma once
#include "concurrency.h"

#include <cstddef>
#include <cstdio>

// Output on its way to a stream, made in place in blocks. On a terminal each block is written
// and shown as soon as it is sent. Redirected, a worker thread writes each sent block while
// the caller fills the other one, so that the kernel's copying of a long listing, about half
// of its cost, runs beside the making of it; should the worker not start, each block is
// written as it is sent.
class block_writer {
public:
    // Redirected writes are this long and end where the stream's position is a multiple of
    // it: a file's cache takes whole aligned blocks markedly faster than ragged ones.
    static constexpr std::size_t block_size = 128 * 1024;
    // How far a block may run past such an end: the last piece put in it may cross the end.
    static constexpr std::size_t block_spare = 64;
    // Makers that store whole words may write this far past room(); it is never written out.
    static constexpr std::size_t overrun = 8;

    block_writer(std::FILE* out, bool show_each_block) noexcept;
    ~block_writer() { stop_worker(); }  // finish() first, or what is left is lost
    block_writer(const block_writer&) = delete;
    block_writer& operator=(const block_writer&) = delete;

    // Whether each block is written and shown as soon as it is sent.
    bool shows_each_block() const noexcept { return show_each_block_; }
    // Where the next bytes go, and how many fit there.
    unsigned char* free_space() noexcept { return blocks_[filling_].bytes + filled_; }
    std::size_t room() const noexcept { return block_capacity - filled_; }
    // The bytes from free_space() up to `end` are made.
    void add(const unsigned char* end) noexcept
    {
        filled_ = static_cast<std::size_t>(end - blocks_[filling_].bytes);
    }

    // Hands the block over to be written: all of it on a terminal; otherwise, once its room
    // is below block_spare, up to its block end in the stream, and the rest starts the next.
    void send() noexcept;
    // Writes what is left and returns once all is written and flushed.
    void finish() noexcept;

private:
    static constexpr std::size_t block_capacity = block_size + block_spare;

    struct block {
        unsigned char bytes[block_capacity + overrun];
        std::size_t size;  // as sent; an empty block tells the worker to stop
    };
    enum class worker_state { not_started, running, unavailable };

    void start_worker() noexcept;
    void stop_worker() noexcept;
    std::size_t bytes_to_block_end() const noexcept;
    void hand_to_worker(std::size_t size) noexcept;
    void write_at_once(std::size_t size) noexcept;
    static void write_blocks(void* writer) noexcept;  // the worker's loop

    std::FILE* const out_;
    const bool show_each_block_;
    block blocks_[2];
    std::size_t filling_ = 0;      // the block being made; the worker may hold the other
    std::size_t filled_ = 0;
    std::size_t block_start_ = 0;  // the stream position of its first byte, modulo block_size
    worker_state worker_state_ = worker_state::not_started;
    worker_thread worker_;
    semaphore blocks_sent_{0};
    semaphore blocks_free_{1};  // besides the one being made
};
