#include "ui/Skin.h"

#include "ui/SkinCodec.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>
#include <QToolTip>

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

QPalette palette()
{
    const QColor text(0x1f, 0x2a, 0x37);
    const QColor dimmed(0x8a, 0x94, 0xa3);
    // Light, mid and dark shades follow from the button and window colours.
    QPalette light(QColor(0xe8, 0xec, 0xf1), QColor(0xf4, 0xf6, 0xf9));
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::WindowText, text},
        {QPalette::Text, text},
        {QPalette::ButtonText, text},
        {QPalette::Base, QColor(0xff, 0xff, 0xff)},
        {QPalette::AlternateBase, QColor(0xee, 0xf1, 0xf5)},
        {QPalette::Highlight, QColor(0x3c, 0x6f, 0xa8)},
        {QPalette::HighlightedText, QColor(0xff, 0xff, 0xff)},
        {QPalette::ToolTipBase, QColor(0xff, 0xff, 0xe1)},
        {QPalette::ToolTipText, text},
        {QPalette::PlaceholderText, dimmed},
        {QPalette::BrightText, QColor(0xff, 0xff, 0xff)},
        {QPalette::Link, QColor(0x1d, 0x5f, 0xa8)},
        {QPalette::LinkVisited, QColor(0x5a, 0x3d, 0x8a)},
    };
    for (const auto &[role, colour] : roles)
        light.setColor(role, colour);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        light.setColor(QPalette::Disabled, role, dimmed);
    return light;
}

void apply(const QString &styleSheet)
{
    // Fusion draws the same on every platform, so the sheet looks as designed everywhere.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    // A dark desktop palette must never mix with the skin's dark text.
    const QPalette colours = palette();
    QApplication::setPalette(colours);
    QToolTip::setPalette(colours);
    qApp->setStyleSheet(styleSheet);
}

} // namespace vo::skin
