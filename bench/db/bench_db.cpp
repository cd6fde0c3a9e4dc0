// Measures the filing store on the embedded engine against plain files:
//  - opening a cabinet of 10,000 folders (the folder list's select),
//  - storing and reading back a 26 MB page (an A4 300-dpi colour BMP),
//  - the same bytes written to a plain file with fsync and read back.
// Prints each figure and the ratios. Run from a Release build:
//   bench_db [WORKDIR]
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "app/dmcenter.h"
#include "platform/db/create.h"
#include "schema/tambraschema.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

void FillCabinet(TIBDatabase &db, int folders) {
    db.ExecuteImmediate("INSERT INTO GROUPFILE VALUES (1, 'ตู้ใหญ่')");
    db.ExecuteImmediate("INSERT INTO GROUPFILE VALUES (2, 'ตู้เล็ก')");
    // One statement per block keeps the set-up quick.
    QString block = "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO BEGIN "
                    "INSERT INTO DOCUMENT VALUES (:I, 1, 'แฟ้มเอกสารหมายเลข ' || :I, CURRENT_DATE, CURRENT_DATE, "
                    "'470', 'N', 0); I = I + 1; END END";
    db.ExecuteImmediate(block.arg(folders));
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/bench-XXXXXX" : QString());
    const QString path = tmp.path() + "/TAMBRA.GDB";
    {
        TIBDatabase db;
        db.Path = path;
        CreateDatabase(db);
        db.Connect();
        ExecuteScript(db, TambraSchema());
        FillCabinet(db, 10000);
        db.Disconnect();
    }
    std::printf("database page size %d, forced writes on\n", kDatabasePageSize);

    TdmCenter dm;
    dm.DatabasePath = path;
    std::vector<double> open;
    dm.GroupFileTable.Open();
    for (int i = 0; i < 7; ++i) {
        // The cabinet moves: the folder list of 10,000 rows is fetched again.
        QElapsedTimer t;
        dm.GroupFileTable.Locate("GROUPID", i % 2 ? 2 : 1);
        t.start();
        if (!dm.DocumentTable.Active()) dm.DocumentTable.Open();
        else dm.DocumentTable.Refresh();
        open.push_back(Ms(t));
        if (i % 2 == 0 && dm.DocumentTable.RecordCount() != 10000) {
            std::fprintf(stderr, "expected 10000 folders, got %d\n", dm.DocumentTable.RecordCount());
            return 1;
        }
    }
    dm.GroupFileTable.Locate("GROUPID", 1);
    std::printf("open a cabinet of 10,000 folders: %.1f ms (median of %zu; target < 200 ms)\n", Median(open),
                open.size());

    dm.ImageFileTable.Open();
    const qsizetype size = 2480LL * 3508 * 3 + 54;   // A4 at 300 dpi, 24-bit
    QByteArray page(size, '\0');
    for (qsizetype i = 0; i < size; ++i) page[i] = static_cast<char>((i * 2654435761u) >> 24);

    std::vector<double> store, read, fileWrite, fileRead;
    const QString plain = tmp.path() + "/plain.bmp";
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        dm.ImageFileTable.Insert();
        dm.ImageFileTableIMAGES->SetAsBytes(page);
        dm.ImageFileTable.Post();
        store.push_back(Ms(t));
        t.restart();
        QByteArray back = dm.ImageFileTableIMAGES->AsBytes();
        read.push_back(Ms(t));
        if (back != page) {
            std::fprintf(stderr, "page came back changed\n");
            return 1;
        }

        t.restart();
        int fd = ::open(plain.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, page.constData(), size) != size || ::fsync(fd) != 0) return 1;
        ::close(fd);
        fileWrite.push_back(Ms(t));
        t.restart();
        QByteArray again(size, Qt::Uninitialized);
        fd = ::open(plain.toLocal8Bit().constData(), O_RDONLY);
        if (fd < 0 || ::read(fd, again.data(), size) != size) return 1;
        ::close(fd);
        fileRead.push_back(Ms(t));
    }
    double s = Median(store), r = Median(read), w = Median(fileWrite), fr = Median(fileRead);
    std::printf("store a 26 MB page: %.1f ms; plain write with fsync: %.1f ms; ratio %.2f (target < 10)\n", s, w,
                s / w);
    std::printf("read back a 26 MB page: %.1f ms; plain read: %.1f ms; ratio %.2f (target < 2)\n", r, fr, r / fr);
    return 0;
}
