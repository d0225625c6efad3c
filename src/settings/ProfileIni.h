#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace vo {

// An INI file read and written by the rules of Windows private profile files, so that files
// written earlier or edited by hand keep giving the same values. Lines that are not touched by
// a write stay exactly as they were; every line is written back ending with CR LF.
class ProfileIni
{
public:
    ProfileIni() = default;
    explicit ProfileIni(const QByteArray &fileBytes);

    // The value without surrounding blanks or one pair of enclosing quotes, cut to 2047 bytes.
    QByteArray readString(QByteArrayView section, QByteArrayView key, const QByteArray &fallback = {}) const;
    // "0x1A" as hexadecimal, else decimal or "$" hexadecimal; fallback outside the signed 32-bit range.
    qint32 readInteger(QByteArrayView section, QByteArrayView key, qint32 fallback = 0) const;

    void writeString(QByteArrayView section, QByteArrayView key, const QByteArray &value);
    void writeInteger(QByteArrayView section, QByteArrayView key, qint32 value);

    QByteArray toBytes() const;

    // The integer reading rule on its own: nullopt for anything but a whole 32-bit number.
    static std::optional<qint32> parseInteger(QByteArrayView text);

private:
    struct Range
    {
        qsizetype first = -1; // line after the section header
        qsizetype end = -1;   // one past the section's last line
    };

    Range findSection(QByteArrayView section) const;
    qsizetype findKey(const Range &range, QByteArrayView key) const;

    QList<QByteArray> lines_;
};

} // namespace vo
