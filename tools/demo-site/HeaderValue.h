#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace vo::demo {

// A MIME header value of the shape `type; name=value; name="quoted value"`, as Content-Type
// and Content-Disposition carry it.
class HeaderValue
{
public:
    // nullopt when a parameter has no "=" or a quoted string is not closed.
    static std::optional<HeaderValue> parse(const QByteArray &text);

    // Lower-cased, without surrounding white space.
    const QByteArray &type() const { return type_; }
    // Parameter names compare in any letter case; the first occurrence wins.
    std::optional<QByteArray> parameter(const QByteArray &name) const;

private:
    struct Parameter
    {
        QByteArray name; // lower-cased
        QByteArray value;
    };

    QByteArray type_;
    QList<Parameter> parameters_;
};

} // namespace vo::demo
