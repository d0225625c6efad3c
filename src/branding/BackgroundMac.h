#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

namespace vo {

namespace crypto {
class HmacSha1;
}

// Feeds an HMAC on a worker thread. The code is the one strictly sequential part of a container
// and costs more than reading, ciphering and writing together, so it runs beside them: while the
// worker digests earlier buffers, the caller reads and ciphers the next one. Up to kDepth
// submissions wait or are being digested at once, so the worker never waits on the caller while
// there is work, and a caller cycling through kDepth + 1 buffers never overwrites one in use.
class BackgroundMac
{
public:
    static constexpr std::size_t kDepth = 2;

    explicit BackgroundMac(crypto::HmacSha1 &mac);
    // Waits for the bytes still being digested: the caller's buffers may go right after.
    ~BackgroundMac();
    BackgroundMac(const BackgroundMac &) = delete;
    BackgroundMac &operator=(const BackgroundMac &) = delete;

    // Queues the bytes to be digested after those submitted before, once fewer than kDepth
    // submissions are outstanding. They must stay as they are until kDepth later submissions,
    // or wait(), have returned.
    void submit(const unsigned char *data, std::size_t length);
    // Returns once everything submitted has been digested.
    void wait();

private:
    struct Piece
    {
        const unsigned char *data;
        std::size_t length;
    };

    void run();
    void waitBelow(std::unique_lock<std::mutex> &lock, std::size_t outstanding);

    crypto::HmacSha1 &mac_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> queue_;   // the front one is being digested
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace vo
