#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace vo::demo {

// The text fields of one multipart/form-data body, in the order they came.
class FormFields
{
public:
    void append(const QByteArray &name, const QByteArray &value);
    // The value of the first field with this name; nullopt when the form has none.
    std::optional<QByteArray> value(const QByteArray &name) const;
    qsizetype size() const { return fields_.size(); }

private:
    struct Field
    {
        QByteArray name;
        QByteArray value;
    };
    QList<Field> fields_;
};

// Reads a multipart/form-data body by RFC 2046. The delimiter is CR LF "--" boundary, so the
// last field's value keeps the CR LF that its sender wrote before the closing delimiter; the
// console always ends its forms with an empty sentinel field that absorbs it.
class MultipartParser
{
public:
    // The boundary of a multipart/form-data content type; nullopt for any other type, or when
    // the boundary is missing or longer than the 70 characters RFC 2046 allows.
    static std::optional<QByteArray> boundaryOf(const QByteArray &contentType);

    // nullopt for anything that is not a complete, well-formed form.
    static std::optional<FormFields> parse(const QByteArray &contentType, const QByteArray &body);

private:
    static std::optional<QByteArray> fieldName(const QByteArray &headerBlock);
};

} // namespace vo::demo
