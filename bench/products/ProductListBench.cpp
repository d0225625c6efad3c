// Times the product list with 100,000 products: from the list reply's bytes to the rows shown in
// name order, and one header-click sort, beside the naive way of putting each row in its place
// as it arrives (a sorted insert per row into an item model).
//
//     QT_QPA_PLATFORM=offscreen build/bench/products/bench_product_list [rows]

#include "../common/BenchResult.h"

#include "products/ProductListModel.h"
#include "products/ProductRows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTableView>

#include <sys/resource.h>

#include <cstdio>

namespace {

QByteArray randomWord(QRandomGenerator &random, int length)
{
    QByteArray word(length, Qt::Uninitialized);
    for (char &c : word)
        c = char('a' + random.bounded(26));
    word[0] = char(word[0] - 32);
    return word;
}

QByteArray listReply(int rows)
{
    QRandomGenerator random(2026);
    QByteArray reply;
    reply.reserve(rows * 80);
    for (int i = 0; i < rows; ++i) {
        reply += "\"" + QByteArray::number(i + 1) + "\",\"" + randomWord(random, 12) + " " + randomWord(random, 8)
               + "\",\"" + randomWord(random, 10) + "\",\"thanks" + QByteArray::number(i) + ".html\",\""
               + QByteArray::number(random.generate64(), 16) + "\"^";
    }
    return reply + "OK";
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double fillTheListOurWay(const QByteArray &reply, QTableView &view, vo::ProductListModel &model)
{
    QElapsedTimer timer;
    timer.start();
    model.clear();
    vo::ProductListReply parsed = vo::ParseProductList(reply);
    model.append(std::move(parsed.rows));
    const QString total = QStringLiteral("Total: %1 product(s)").arg(model.rowCount());
    QCoreApplication::processEvents();
    Q_UNUSED(view);
    Q_UNUSED(total);
    return timer.nsecsElapsed() / 1e9;
}

double fillTheNaiveWay(const QByteArray &reply)
{
    QElapsedTimer timer;
    timer.start();
    QStandardItemModel model(0, 4);
    const vo::ProductListReply parsed = vo::ParseProductList(reply);
    for (const vo::ProductRecord &row : parsed.rows) {
        const QString name = QString::fromLatin1(row.Name);
        int low = 0;
        int high = model.rowCount();
        while (low < high) {
            const int middle = (low + high) / 2;
            if (QString::compare(model.item(middle, 0)->text(), name, Qt::CaseInsensitive) <= 0)
                low = middle + 1;
            else
                high = middle;
        }
        model.insertRow(low, {new QStandardItem(name), new QStandardItem(QString::fromLatin1(row.Folder)),
                              new QStandardItem(QString::fromLatin1(row.ThanksPage)),
                              new QStandardItem(QString::fromLatin1(row.Code))});
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QByteArray reply = listReply(rows);
    std::printf("product list: %d rows, reply %.1f MB\n", rows, reply.size() / 1e6);

    vo::ProductListModel model;
    QTableView view;
    view.setModel(&model);
    view.setSortingEnabled(true);
    view.horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    view.resize(855, 400);
    view.show();
    QCoreApplication::processEvents();

    const long before = peakKilobytes();
    double fill = 1e9;
    for (int run = 0; run < 3; ++run)
        fill = std::min(fill, fillTheListOurWay(reply, view, model));
    const long after = peakKilobytes();

    double sort = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        model.sort(run % 2 == 0 ? 1 : 3, Qt::AscendingOrder);
        QCoreApplication::processEvents();
        sort = std::min(sort, timer.nsecsElapsed() / 1e9);
    }

    const double naive = fillTheNaiveWay(reply);

    std::printf("fill, sorted and counted: %.3f s (goal < 1 s), peak memory grew by %.1f MB\n", fill,
                (after - before) / 1024.0);
    std::printf("one header-click sort:    %.3f s (goal < 0.3 s)\n", sort);
    std::printf("naive sorted inserts:     %.3f s (%.1f times ours)\n", naive, naive / fill);
    vo::bench::result("products.fill_s", fill);
    vo::bench::result("products.sort_s", sort);
    vo::bench::result("products.naive_s", naive);
    vo::bench::result("products.fill_peak_growth_mb", (after - before) / 1024.0);
    vo::bench::result("products.rows", model.rowCount());
    return 0;
}
