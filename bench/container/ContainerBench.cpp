// How fast the branding container's file operations run beside what libcrypto can do at best on
// the same bytes and beside 7-Zip reading an AES-128 zip entry of the same size; how much memory
// they take; and whether a large multipart form builds in linear time. Every figure is the best
// of a few runs, each started with no dirty pages pending, since the machine is shared.
#include "../common/BenchResult.h"
#include "../common/ProcessMemory.h"

#include "branding/AesLib.h"
#include "branding/CryptoPrimitives.h"
#include "net/MultipartForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <openssl/evp.h>

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 Chunk = 256 * 1024;
constexpr int Runs = 3;

double best(const std::function<void()> &work, bool flushFirst = false)
{
    double fastest = 1e300;
    for (int run = 0; run < Runs; ++run) {
        if (flushFirst)
            sync();
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = qMin(fastest, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return fastest;
}

double mibPerSecond(qint64 bytes, double secs)
{
    return static_cast<double>(bytes) / MiB / secs;
}

// Peak resident memory since the last reset, in KiB.
qint64 peakKiB()
{
    return static_cast<qint64>(vo::bench::statusKiB("self", "VmHWM"));
}

QByteArray noise(qint64 size, quint32 seed)
{
    QByteArray bytes((size + 3) / 4 * 4, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    bytes.truncate(size);
    return bytes;
}

bool writeNoiseFile(const QString &name, qint64 size)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint64 done = 0; done < size; done += MiB)
        if (file.write(noise(qMin(MiB, size - done), static_cast<quint32>(done / MiB))) < 0)
            return false;
    return true;
}

const unsigned char *u8(const QByteArray &bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.constData());
}

// A header, then `total` bytes of a repeated pattern: a file read without the file system.
class PatternSource : public QIODevice
{
public:
    PatternSource(QByteArray header, qint64 total)
        : header_(std::move(header)), pattern_(noise(Chunk, 9)), left_(header_.size() + total)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        qint64 given = 0;
        while (given < max && left_ > 0) {
            const qint64 consumed = offset_;
            const QByteArray &from = consumed < header_.size() ? header_ : pattern_;
            const qint64 at = consumed < header_.size() ? consumed : (consumed - header_.size()) % pattern_.size();
            const qint64 n = std::min({max - given, left_, from.size() - at});
            std::memcpy(data + given, from.constData() + at, static_cast<std::size_t>(n));
            given += n;
            offset_ += n;
            left_ -= n;
        }
        return given;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray header_;
    QByteArray pattern_;
    qint64 left_;
    qint64 offset_ = 0;
};

// Keeps the first bytes written (a container's header) and drops the rest.
class NullSink : public QIODevice
{
public:
    NullSink() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    QByteArray head;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (head.size() < 16)
            head.append(data, qMin<qint64>(length, 16 - head.size()));
        return length;
    }
};

struct Ceiling
{
    double hmac = 0;
    double aesCtr = 0;
    double aesEcbRuns = 0;
    double copy = 0;

    double crypto() const { return qMin(hmac, qMax(aesCtr, aesEcbRuns)); }
};

Ceiling measureCeiling(qint64 total, const QString &plainFile, const QString &copyFile)
{
    const QByteArray data = noise(Chunk, 1);
    Ceiling c;
    c.hmac = mibPerSecond(total, best([&] {
        vo::crypto::HmacSha1 mac(QByteArray(16, 'k'));
        for (qint64 done = 0; done < total; done += Chunk)
            mac.update(u8(data), static_cast<std::size_t>(data.size()));
        mac.finish();
    }));

    QByteArray out(data.size(), '\0');
    c.aesCtr = mibPerSecond(total, best([&] {
        const unsigned char key[16] = {1, 2, 3};
        const unsigned char iv[16] = {};
        EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(ctx, EVP_aes_128_ctr(), nullptr, key, iv);
        int written = 0;
        for (qint64 done = 0; done < total; done += Chunk)
            EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char *>(out.data()), &written, u8(data), static_cast<int>(data.size()));
        EVP_CIPHER_CTX_free(ctx);
    }));

    // The way the container makes its keystream: runs of 256 counter blocks per call.
    c.aesEcbRuns = mibPerSecond(total, best([&] {
        vo::crypto::AesEncryptor aes(QByteArray(16, 'k'));
        for (qint64 done = 0; done < total; done += 4096)
            aes.encryptBlocks(u8(data), reinterpret_cast<unsigned char *>(out.data()), 256);
    }));

    // What any file operation costs before computing anything: read, write, same buffer size.
    c.copy = mibPerSecond(total, best([&] {
        QFile in(plainFile);
        QFile to(copyFile);
        if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !to.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        QByteArray buffer(Chunk, Qt::Uninitialized);
        qint64 got = 0;
        while ((got = in.read(buffer.data(), Chunk)) > 0)
            to.write(buffer.constData(), got);
    }, true));
    QFile::remove(copyFile);
    return c;
}

void report(const char *name, double mibs, const Ceiling &c, const char *note = "")
{
    std::printf("  %-34s %7.0f MiB/s  %3.0f %% of the crypto ceiling%s\n", name, mibs, 100 * mibs / c.crypto(), note);
}

double streamSeconds(qint64 total, bool decrypt)
{
    return best([&] {
        vo::TEncryption encryption(QByteArray(vo::ProgramPassphrase), vo::ProgramBufferSize);
        NullSink sink;
        if (!decrypt) {
            PatternSource source({}, total);
            encryption.EncryptStream(source, sink);
            return;
        }
        // A genuine header so that the verifier passes; the code at the end will not match.
        PatternSource empty({}, 0);
        NullSink header;
        vo::TEncryption(QByteArray(vo::ProgramPassphrase), 16).EncryptStream(empty, header);
        PatternSource source(header.head.left(10), total + 10);
        encryption.DecryptStream(source, sink, 10 + total + 10);
    });
}

struct FileRun
{
    double secs = 0;
    qint64 peakGrowthKiB = 0;
    bool ok = true;
};

FileRun fileOperation(bool (*operation)(const QString &, const QString &), const QString &from, const QString &to)
{
    FileRun run;
    vo::bench::resetPeak();
    const qint64 before = peakKiB();
    run.secs = best([&] { run.ok = operation(from, to) && run.ok; }, true);
    run.peakGrowthKiB = peakKiB() - before;
    return run;
}

bool runProcess(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok)
        std::printf("  %s failed: %s\n", qPrintable(program), process.readAll().constData());
    return ok;
}

void formReport()
{
    std::printf("\nMultipart form with one large value, body() built afresh each time\n");
    double firstNsPerByte = 0;
    for (const qint64 mib : {1, 2, 4, 8, 10}) {
        vo::TIdMultiPartFormDataStream form;
        form.AddField("action", "4");
        form.AddField("value", QByteArray(mib * MiB, 'v'));
        form.AddField("end", "");
        qint64 size = 0;
        const double secs = best([&] { size = form.body().size(); });
        const double nsPerByte = secs * 1e9 / static_cast<double>(size);
        if (firstNsPerByte == 0)
            firstNsPerByte = nsPerByte;
        std::printf("  %2lld MiB value: %8.2f ms, %.3f ns/byte (%.2fx the 1 MiB rate)\n", static_cast<long long>(mib),
                    secs * 1e3, nsPerByte, nsPerByte / firstNsPerByte);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 size = (argc > 1 ? QByteArray(argv[1]).toLongLong() : 256) * MiB;
    if (size <= 0) {
        std::fprintf(stderr, "usage: bench_container [MiB]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.bin"));
    const QString container = dir.filePath(QStringLiteral("plain.dat"));
    const QString back = dir.filePath(QStringLiteral("back.bin"));
    if (!dir.isValid() || !writeNoiseFile(plain, size))
        return 1;

    std::printf("Container on %lld MiB, best of %d runs (build type: %s)\n", static_cast<long long>(size / MiB), Runs,
                VO_BUILD_TYPE);
    const Ceiling c = measureCeiling(size, plain, dir.filePath(QStringLiteral("copy.bin")));
    std::printf("  %-34s %7.0f MiB/s\n", "libcrypto HMAC-SHA1 alone", c.hmac);
    std::printf("  %-34s %7.0f MiB/s\n", "libcrypto AES-128-CTR alone", c.aesCtr);
    std::printf("  %-34s %7.0f MiB/s\n", "libcrypto AES-128-ECB, 256-block runs", c.aesEcbRuns);
    std::printf("  %-34s %7.0f MiB/s  (slower of HMAC and AES)\n", "crypto ceiling", c.crypto());
    std::printf("  %-34s %7.0f MiB/s  (read + write, no computing)\n", "plain file copy", c.copy);
    const double bothCeiling = 1 / (1 / c.crypto() + 1 / c.copy);
    std::printf("  %-34s %7.0f MiB/s  (one thread doing both in turn)\n", "crypto + copy ceiling", bothCeiling);
    vo::bench::result("container.crypto_ceiling_mibs", c.crypto());
    vo::bench::result("container.copy_mibs", c.copy);
    vo::bench::result("container.crypto_copy_ceiling_mibs", bothCeiling);

    const double encryptStream = mibPerSecond(size, streamSeconds(size, false));
    const double decryptStream = mibPerSecond(size, streamSeconds(size, true));
    report("EncryptStream, memory to memory", encryptStream, c);
    report("DecryptStream, memory to memory", decryptStream, c);
    vo::bench::result("container.encrypt_stream_mibs", encryptStream);
    vo::bench::result("container.decrypt_stream_mibs", decryptStream);

    const FileRun encrypt = fileOperation(&vo::EncryptFileTo, plain, container);
    const FileRun decrypt = fileOperation(&vo::DecryptFileTo, container, back);
    const bool sameSize = QFile(back).size() == size && QFile(container).size() == size + 20;
    for (const auto &[name, run] : {std::pair{"EncryptFileTo", encrypt}, std::pair{"DecryptFileTo", decrypt}}) {
        char note[128];
        std::snprintf(note, sizeof note, ", %3.0f %% of crypto + copy, peak memory +%lld KiB%s",
                      100 * mibPerSecond(size, run.secs) / bothCeiling, static_cast<long long>(run.peakGrowthKiB),
                      run.ok && sameSize ? "" : "  FAILED");
        report(name, mibPerSecond(size, run.secs), c, note);
    }
    vo::bench::result("container.encrypt_file_mibs", mibPerSecond(size, encrypt.secs));
    vo::bench::result("container.decrypt_file_mibs", mibPerSecond(size, decrypt.secs));
    vo::bench::result("container.file_peak_growth_kib",
                      static_cast<double>(qMax(encrypt.peakGrowthKiB, decrypt.peakGrowthKiB)));
    vo::bench::result("container.file_ok", encrypt.ok && decrypt.ok && sameSize ? 1 : 0);

    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7zz"));
    if (sevenZip.isEmpty()) {
        std::printf("  7zz not installed: no comparison\n");
    } else {
        const QString pass = QStringLiteral("-p") + QString::fromLatin1(vo::ProgramPassphrase);
        if (runProcess(sevenZip, {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mx0"), QStringLiteral("-mem=AES128"),
                                  pass, QStringLiteral("entry.zip"), QStringLiteral("plain.bin")},
                       dir.path())) {
            bool ok = true;
            const double secs = best([&] {
                ok = runProcess(sevenZip, {QStringLiteral("x"), QStringLiteral("-y"), pass, QStringLiteral("-oout"),
                                           QStringLiteral("entry.zip")},
                                dir.path()) && ok;
            }, true);
            std::printf("  %-34s %7.0f MiB/s%s\n", "7zz x, AES-128 stored entry", mibPerSecond(size, secs), ok ? "" : "  FAILED");
            std::printf("  DecryptFileTo takes %.2fx the time of 7zz x\n", decrypt.secs / secs);
            if (ok)
                vo::bench::result("container.sevenzip_extract_mibs", mibPerSecond(size, secs));
        }
    }

    formReport();
    return 0;
}
