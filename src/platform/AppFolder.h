#pragma once

#include <QString>

namespace vo {

// The folder that holds the program file. Every file the console reads or writes lives there
// under a fixed name; tests hand the windows a temporary folder instead.
class AppFolder
{
public:
    explicit AppFolder(const QString &folder);

    static AppFolder ofRunningProgram();

    // The folder itself, ending with a separator.
    const QString &path() const { return folder_; }
    QString file(QStringView name) const { return folder_ + name.toString(); }

private:
    QString folder_;
};

} // namespace vo
