#pragma once

#include <QIODevice>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vo {

// Passes what is written to it on to a worker thread that writes it to the target, so that the
// next buffer is being encrypted while the system copies the last one into the file. At most
// MaxQueued writes wait, so memory stays flat whatever the file size. A write that fails there
// makes a later write here fail, and finish().
class WriteBehindDevice : public QIODevice
{
public:
    static constexpr int MaxQueued = 2;

    // The target is used by the worker alone until finish() returns.
    explicit WriteBehindDevice(QIODevice &target);
    ~WriteBehindDevice() override;
    WriteBehindDevice(const WriteBehindDevice &) = delete;
    WriteBehindDevice &operator=(const WriteBehindDevice &) = delete;

    // Waits until everything written has reached the target; false when any of it failed.
    bool finish();

protected:
    qint64 readData(char *data, qint64 maxLength) override;
    qint64 writeData(const char *data, qint64 length) override;

private:
    void run();

    QIODevice &target_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<char>> queue_;
    std::vector<std::vector<char>> spare_; // written buffers kept for reuse
    bool failed_ = false;
    bool closing_ = false;
    std::thread worker_;
};

} // namespace vo
