#pragma once

#include "branding/Branding.h"

#include <QList>

namespace vo::test {

// Answers the random choices from a script (0 once it runs out) and records how many entries
// each choice was made among.
class ScriptedRandom final : public RandomSource
{
public:
    explicit ScriptedRandom(QList<int> picks = {}) : picks_(std::move(picks)) {}

    int below(int count) override
    {
        counts.append(count);
        return picks_.isEmpty() ? 0 : picks_.takeFirst();
    }

    QList<int> counts;

private:
    QList<int> picks_;
};

// A 1 x 1 GIF of two frames, black then white, 100 ms each, without the loop extension: a
// plain QMovie plays it once.
inline QByteArray twoFrameGif()
{
    static const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, // screen, 2 colours
        0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF,                                     // black, white
        0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00, 0x00,                         // delay 10
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,             // frame 1
        0x02, 0x02, 0x44, 0x01, 0x00,                                           // pixel 0
        0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00, 0x00,
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,             // frame 2
        0x02, 0x02, 0x4C, 0x01, 0x00,                                           // pixel 1
        0x3B,
    };
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

inline QByteArray tagged(const QByteArray &name, const QByteArray &value)
{
    return "<%%" + name + "%%>" + value + "<%%/" + name + "%%>\r\n";
}

} // namespace vo::test
