#pragma once

#include <QApplication>

namespace vo {

// The crash reporter's last line: whatever escapes an event handler is shown to the seller
// here instead of ending the program.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace vo
