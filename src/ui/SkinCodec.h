#pragma once

#include <QByteArray>

#include <optional>

// The skin is a Qt style sheet kept as a zlib stream: built into the program as the resource
// "mainskin.skn", or shipped by a distributor as "mainskin.dat", which puts a small header in
// front of the same stream.
namespace vo::skin {

// Highest skin file format that this program reads.
constexpr quint32 kMaxFormat = 3;
constexpr quint32 kFileFormat = 1;
// A style sheet is text of a few kilobytes; anything claiming more is not a skin.
constexpr qsizetype kMaxStyleSheetBytes = 16 * 1024 * 1024;

QByteArray compress(const QByteArray &styleSheet);
std::optional<QByteArray> inflate(QByteArrayView compressed);

// Skin file: format number (little-endian 32 bits), byte count (little-endian 32 bits), then
// that many bytes of compressed skin.
QByteArray packFile(const QByteArray &styleSheet, quint32 format = kFileFormat);
std::optional<QByteArray> unpackFile(QByteArrayView file);

} // namespace vo::skin
