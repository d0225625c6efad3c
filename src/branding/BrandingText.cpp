#include "branding/BrandingText.h"

#include "branding/AesLib.h"
#include "branding/Branding.h"
#include "branding/ExclusiveFile.h"
#include "platform/AppError.h"

#include <QFileInfo>

namespace vo {

std::optional<QByteArray> DecryptBrandingText(const AppFolder &folder)
{
    TemporaryExclusiveFile plain(folder.file(kBrandingPlainFileName));
    return DecryptBrandingText(folder, plain.device());
}

std::optional<QByteArray> DecryptBrandingText(const AppFolder &folder, QFile &plain)
{
    if (!DecryptFileTo(folder.file(kBrandingFileName), plain))
        return std::nullopt;
    if (!plain.seek(0))
        throw cannotOpenFile(QFileInfo(folder.file(kBrandingPlainFileName)).absoluteFilePath(), plain.errorString());
    return joinBrandingLines(plain.readAll());
}

} // namespace vo
