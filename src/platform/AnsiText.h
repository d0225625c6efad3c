#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Texts that reach files and servers are bytes of the ANSI code page, one byte per character:
// on Windows the system's own when it has one byte per character, elsewhere Windows-1252.
// These are the only places where they meet Unicode: at the widget edge.
namespace vo::ansi {

QString toUnicode(QByteArrayView bytes);

// nullopt when a character has no byte in the code page: such text is refused, never mangled.
std::optional<QByteArray> fromUnicode(QStringView text);

bool canEncode(QChar c);

} // namespace vo::ansi
