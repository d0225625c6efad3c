// vantrel-skinpack: compresses a style sheet into the console's skin forms.
//   vantrel-skinpack raw  STYLE.qss OUT   the built-in resource form (a zlib stream)
//   vantrel-skinpack file STYLE.qss OUT   a distributor's "mainskin.dat"
#include "ui/SkinCodec.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4 || (qstrcmp(argv[1], "raw") != 0 && qstrcmp(argv[1], "file") != 0)) {
        std::fprintf(stderr, "usage: vantrel-skinpack raw|file STYLE.qss OUT\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrel-skinpack: cannot read %s\n", argv[2]);
        return 1;
    }
    const QByteArray sheet = in.readAll();
    const QByteArray packed = qstrcmp(argv[1], "raw") == 0 ? vo::skin::compress(sheet) : vo::skin::packFile(sheet);

    QSaveFile out(QString::fromLocal8Bit(argv[3]));
    if (packed.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(packed) != packed.size() || !out.commit()) {
        std::fprintf(stderr, "vantrel-skinpack: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
