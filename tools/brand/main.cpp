// vantrel-brand: makes and reads the console's encrypted branding files ("dbsettings.dat") with
// the console's own passphrase, for distributors and for the tests that need a branding file.
//   vantrel-brand encrypt PLAIN DAT
//   vantrel-brand decrypt DAT PLAIN
//   vantrel-brand check PLAIN FOLDER   (the plain text with its side files in FOLDER; prints the
//                                       ApplicationName in UTF-8 when the text passes)
// Exit status: 0 done; 1 a file could not be opened, created or written; 2 wrong usage;
// 3 the DAT file is not a branding file of this console (wrong passphrase, damaged, cut short);
// 4 the plain text has problems, each written on its own line.
#include "BrandCheck.h"
#include "BrandFile.h"

#include "platform/AppError.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>

namespace {

constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNotAContainer = 3;
constexpr int ExitProblems = 4;

int usage()
{
    std::fprintf(stderr, "usage: vantrel-brand encrypt PLAIN DAT\n"
                         "       vantrel-brand decrypt DAT PLAIN\n"
                         "       vantrel-brand check PLAIN FOLDER\n");
    return ExitUsage;
}

int check(const char *plainFile, const char *folder)
{
    QFile file(QString::fromLocal8Bit(plainFile));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrel-brand: \"%s\" cannot be read: %s\n", plainFile, qPrintable(file.errorString()));
        return ExitFileError;
    }
    const QByteArray plain = file.readAll();
    const vo::brand::BrandingCheck result = vo::brand::checkBrandingText(plain, QString::fromLocal8Bit(folder));
    for (const QString &problem : result.problems)
        std::fprintf(stderr, "%s: %s\n", plainFile, qPrintable(problem));
    if (!result.problems.isEmpty())
        return ExitProblems;
    // One line for a menu entry: a line break inside the name would end it.
    QString name = result.applicationName;
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    std::printf("%s\n", name.toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    using vo::brand::Direction;
    using vo::brand::Outcome;

    if (argc != 4)
        return usage();
    const QByteArray command(argv[1]);
    if (command == "check")
        return check(argv[2], argv[3]);
    if (command != "encrypt" && command != "decrypt")
        return usage();
    const Direction direction = command == "encrypt" ? Direction::Encrypt : Direction::Decrypt;
    const QString source = QString::fromLocal8Bit(argv[2]);
    const QString destination = QString::fromLocal8Bit(argv[3]);

    try {
        switch (vo::brand::transform(direction, source, destination)) {
        case Outcome::Done:
            return 0;
        case Outcome::NotAContainer:
            std::fprintf(stderr,
                         "vantrel-brand: \"%s\" cannot be decrypted: it was made with another passphrase, "
                         "or it is damaged or cut short. \"%s\" was not written.\n",
                         argv[2], argv[3]);
            return ExitNotAContainer;
        case Outcome::WriteFailed:
            std::fprintf(stderr, "vantrel-brand: encrypting \"%s\" failed: a read or a write went wrong. \"%s\" was not written.\n",
                         argv[2], argv[3]);
            return ExitFileError;
        }
    } catch (const vo::AppError &error) {
        std::fprintf(stderr, "vantrel-brand: %s\n", error.what());
        return ExitFileError;
    }
    return ExitFileError;
}
