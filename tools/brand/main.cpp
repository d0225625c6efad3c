// vantrel-brand: makes and reads the console's encrypted branding files ("dbsettings.dat") with
// the console's own passphrase, for distributors and for the tests that need a branding file.
//   vantrel-brand encrypt PLAIN DAT
//   vantrel-brand decrypt DAT PLAIN
// Exit status: 0 done; 1 a file could not be opened, created or written; 2 wrong usage;
// 3 the DAT file is not a branding file of this console (wrong passphrase, damaged, cut short).
#include "BrandFile.h"

#include "platform/AppError.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace {

constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNotAContainer = 3;

int usage()
{
    std::fprintf(stderr, "usage: vantrel-brand encrypt PLAIN DAT\n"
                         "       vantrel-brand decrypt DAT PLAIN\n");
    return ExitUsage;
}

} // namespace

int main(int argc, char **argv)
{
    using vo::brand::Direction;
    using vo::brand::Outcome;

    if (argc != 4)
        return usage();
    const QByteArray command(argv[1]);
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
