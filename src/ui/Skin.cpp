#include "ui/Skin.h"

#include "ui/SkinCodec.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

namespace vo::skin {

namespace {
std::optional<QByteArray> readAll(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}
} // namespace

QString builtIn()
{
    const auto compressed = readAll(QStringLiteral(":/mainskin.skn"));
    const auto sheet = compressed ? inflate(*compressed) : std::nullopt;
    return sheet ? QString::fromUtf8(*sheet) : QString();
}

std::optional<QString> loadCompressedSkinFile(const QString &fileName)
{
    const auto file = readAll(fileName);
    if (!file)
        return std::nullopt;
    const auto sheet = unpackFile(*file);
    if (!sheet)
        return std::nullopt;
    return QString::fromUtf8(*sheet);
}

void apply(const QString &styleSheet)
{
    // Fusion draws the same on every platform, so the sheet looks as designed everywhere.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    qApp->setStyleSheet(styleSheet);
}

} // namespace vo::skin
