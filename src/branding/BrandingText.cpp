#include "branding/BrandingText.h"

#include "branding/AesLib.h"
#include "branding/Branding.h"
#include "platform/AppError.h"
#include "platform/RemovedOnExit.h"

#include <QFileInfo>

namespace vo {

std::optional<QByteArray> DecryptBrandingText(const AppFolder &folder)
{
    const RemovedOnExit plain(folder.file(kBrandingPlainFileName));
    if (!DecryptFileTo(folder.file(kBrandingFileName), plain.fileName()))
        return std::nullopt;
    QFile file(plain.fileName());
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpenFile(QFileInfo(plain.fileName()).absoluteFilePath(), file.errorString());
    return joinBrandingLines(file.readAll());
}

} // namespace vo
