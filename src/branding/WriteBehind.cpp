#include "branding/WriteBehind.h"

namespace vo {

WriteBehindDevice::WriteBehindDevice(QIODevice &target)
    : target_(target)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    worker_ = std::thread([this] { run(); });
}

WriteBehindDevice::~WriteBehindDevice()
{
    finish();
}

bool WriteBehindDevice::finish()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
    const std::lock_guard lock(mutex_);
    return !failed_;
}

qint64 WriteBehindDevice::readData(char *, qint64)
{
    return -1;
}

qint64 WriteBehindDevice::writeData(const char *data, qint64 length)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || closing_ || queue_.size() < MaxQueued; });
    if (failed_ || closing_)
        return -1;
    std::vector<char> buffer;
    if (!spare_.empty()) {
        buffer = std::move(spare_.back());
        spare_.pop_back();
    }
    buffer.assign(data, data + length);
    queue_.push_back(std::move(buffer));
    lock.unlock();
    changed_.notify_all();
    return length;
}

void WriteBehindDevice::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty())
            return; // closing, and everything is written
        std::vector<char> buffer = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = failed_;
        lock.unlock();
        const qint64 size = static_cast<qint64>(buffer.size());
        const bool ok = skip || target_.write(buffer.data(), size) == size;
        lock.lock();
        failed_ = failed_ || !ok;
        spare_.push_back(std::move(buffer));
        changed_.notify_all();
    }
}

} // namespace vo
