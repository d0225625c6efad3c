#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Texts that reach files and servers are Windows-1252 bytes, one byte per character.
// These are the only places where they meet Unicode: at the widget edge.
namespace vo::ansi {

QString toUnicode(QByteArrayView bytes);

// nullopt when a character has no Windows-1252 byte: such text is refused, never mangled.
std::optional<QByteArray> fromUnicode(QStringView text);

bool canEncode(QChar c);

} // namespace vo::ansi
