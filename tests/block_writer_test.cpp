// The block writer against a stream that records each write it receives: every byte arrives
// once and in order, and redirected writes end on block boundaries of the stream wherever
// it starts.
#include "block_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t block = block_writer::block_size;
constexpr long no_position = -1;  // a stream that cannot tell where it is, as a pipe

struct recorded_write {
    std::size_t position;
    std::size_t size;
};

// An unbuffered stream that keeps what is written to it and where each write started.
class recording_stream {
public:
    explicit recording_stream(long position) : position_(position)
    {
        cookie_io_functions_t functions{};
        functions.write = record;
        functions.seek = tell;
        file_ = fopencookie(this, "w", functions);
        std::setvbuf(file_, nullptr, _IONBF, 0);
    }
    ~recording_stream() { std::fclose(file_); }
    recording_stream(const recording_stream&) = delete;
    recording_stream& operator=(const recording_stream&) = delete;

    std::FILE* file() const { return file_; }
    const std::string& bytes() const { return bytes_; }
    const std::vector<recorded_write>& writes() const { return writes_; }

private:
    static ssize_t record(void* cookie, const char* bytes, std::size_t size)
    {
        auto& self = *static_cast<recording_stream*>(cookie);
        const std::size_t start = self.position_ == no_position ? 0 : self.position_;
        self.writes_.push_back({start + self.bytes_.size(), size});
        self.bytes_.append(bytes, size);
        return static_cast<ssize_t>(size);
    }
    static int tell(void* cookie, off64_t* offset, int whence)
    {
        auto& self = *static_cast<recording_stream*>(cookie);
        if (self.position_ == no_position || whence != SEEK_CUR || *offset != 0) return -1;
        *offset = self.position_ + static_cast<off64_t>(self.bytes_.size());
        return 0;
    }

    long position_;
    std::FILE* file_;
    std::string bytes_;
    std::vector<recorded_write> writes_;
};

std::string made_bytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    return bytes;
}

// Adds `bytes` in pieces of at most `piece` bytes, sending as the listing does.
void put_in_pieces(block_writer& writer, const std::string& bytes, std::size_t piece,
                   bool show_each_piece)
{
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t size = std::min({piece, bytes.size() - at, writer.room()});
        std::memcpy(writer.free_space(), bytes.data() + at, size);
        writer.add(writer.free_space() + size);
        at += size;
        if (show_each_piece || writer.room() < block_writer::block_spare) writer.send();
    }
    writer.finish();
}

struct redirected_case {
    const char* name;
    long position;  // where the stream stands when writing begins
    std::size_t size;
    std::size_t piece;
};

TEST(BlockWriter, RedirectedWritesCarryEveryByteAndEndOnBlockBoundaries)
{
    const redirected_case cases[] = {
        {"a new file, line-sized pieces", 0, 5 * block + 7, 10},
        {"after an 11-byte prompt", 11, 3 * block, 9},
        {"one byte short of a block end", block - 1, 2 * block + 100, 10},
        {"far into a file, large pieces", 7 * block + 3, 4 * block + 1, 50000},
        {"exactly two blocks", 0, 2 * block, 64},
        {"a stream without positions", no_position, 3 * block + 5, 10},
        {"short: one write", 11, 100, 10},
        {"nothing", 11, 0, 10},
    };
    for (const redirected_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = made_bytes(c.size);
        recording_stream stream(c.position);
        {
            block_writer writer(stream.file(), false);
            put_in_pieces(writer, bytes, c.piece, false);
        }
        EXPECT_TRUE(stream.bytes() == bytes);
        const std::vector<recorded_write>& writes = stream.writes();
        for (std::size_t i = 0; i + 1 < writes.size(); ++i) {
            EXPECT_EQ((writes[i].position + writes[i].size) % block, 0u) << "write " << i;
        }
        EXPECT_LE(writes.size(), c.size / block + 2);  // large writes, not one per piece
    }
}

TEST(BlockWriter, OnATerminalEachSendIsWrittenWhole)
{
    const std::string bytes = made_bytes(1000);
    recording_stream stream(no_position);
    block_writer writer(stream.file(), true);
    put_in_pieces(writer, bytes, 10, true);
    EXPECT_TRUE(stream.bytes() == bytes);
    ASSERT_EQ(stream.writes().size(), 100u);
    for (const recorded_write& write : stream.writes()) EXPECT_EQ(write.size, 10u);
}

}  // namespace
