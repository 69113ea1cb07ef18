// The listing against a plain model when the token arrives in pieces: every read boundary
// (a pair split between reads, a boundary before or after the token's end) must give the
// same lines as reading it whole.
#include "listing/listing.h"
#include "listing/listing_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

// Writes each chunk into a pipe only once the one before has been read, so that the listing
// sees exactly these read boundaries.
std::string list_in_chunks(const std::vector<std::string>& chunks,
                           text_encoding encoding = text_encoding::gbk)
{
    std::signal(SIGPIPE, SIG_IGN);  // the listing may stop reading before the last chunk
    int pipe_ends[2];
    EXPECT_EQ(pipe(pipe_ends), 0);
    std::atomic<bool> reader_done{false};
    std::thread writer([&] {
        for (const std::string& chunk : chunks) {
            if (write(pipe_ends[1], chunk.data(), chunk.size()) < 0) break;
            int unread = 1;
            while (!reader_done && ioctl(pipe_ends[1], FIONREAD, &unread) == 0 && unread > 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            }
        }
        close(pipe_ends[1]);
    });
    std::FILE* in = fdopen(pipe_ends[0], "rb");
    std::FILE* out = std::tmpfile();
    listing_output output_stream(out, false, encoding);
    list_token(in, output_stream, encoding);
    reader_done = true;
    writer.join();
    std::fclose(in);

    std::string lines;
    std::rewind(out);
    for (int byte; (byte = std::getc(out)) != EOF;) lines.push_back(static_cast<char>(byte));
    std::fclose(out);
    return lines;
}

TEST(ListingReadBoundaries, AnyBoundaryGivesTheSameLines)
{
    std::mt19937 random(8122026);
    const char blanks[] = " \t\n\r\v\f";
    for (int round = 0; round < 300; ++round) {
        std::string input(random() % 5, ' ');
        for (char& blank : input) blank = blanks[random() % 6];
        const std::size_t token_length = random() % 100;
        for (std::size_t i = 0; i < token_length; ++i) {
            char byte;
            do byte = static_cast<char>(random());
            while (is_blank(byte));
            input.push_back(byte);
        }
        if (random() % 2) input += blanks[random() % 6] + std::string(40, 'z');

        std::vector<std::string> chunks;
        for (std::size_t at = 0; at < input.size();) {
            const std::size_t length = 1 + random() % (random() % 2 ? 7 : 80);
            chunks.push_back(input.substr(at, length));
            at += length;
        }
        SCOPED_TRACE(round);
        EXPECT_EQ(list_in_chunks(chunks), model_listing(input));
    }
}

}  // namespace

// A UTF-8 file saved with a byte order mark lists as one without, wherever the reads split
// the mark; bytes that only begin the mark are text.
TEST(ListingReadBoundaries, AByteOrderMarkOpeningUtf8InputIsLeftOutWhereverSplit)
{
    const std::string mark_and_text = "\xEF\xBB\xBF\xE6\xB1\x89";
    for (std::size_t at = 1; at < mark_and_text.size(); ++at) {
        SCOPED_TRACE(at);
        EXPECT_EQ(list_in_chunks({mark_and_text.substr(0, at), mark_and_text.substr(at)},
                                 text_encoding::utf8),
                  "\t\xE6\xB1\x89  baba\n");
    }
    EXPECT_EQ(list_in_chunks({"\xEF", "\xBB", " z"}, text_encoding::utf8),
              "\t\xE9\x94\x98  efbb\n");
    EXPECT_EQ(list_in_chunks({"\xEF"}, text_encoding::utf8), "\t\xEF\xBF\xBD\0  ef0\n"s);
}
