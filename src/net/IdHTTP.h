#pragma once

#include <QObject>

namespace vo {

// The console's one HTTP client. Only what the main window needs from it at start-up and on
// closing is here so far: the read limit and Disconnect.
class TIdHTTP : public QObject
{
    Q_OBJECT
public:
    explicit TIdHTTP(QObject *parent = nullptr);

    // Milliseconds; 0 means no limit.
    int ReadTimeout() const { return readTimeout_; }
    void setReadTimeout(int ms) { readTimeout_ = ms; }

    // Ends any connection; a waiting operation then fails.
    void Disconnect();

private:
    int readTimeout_ = 0;
};

} // namespace vo
