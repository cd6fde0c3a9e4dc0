// How fast the main window comes up and moves between cabinets on a filing
// store of 200 cabinets and 20,000 folders.
//
//   bench_mainwindow [folder]
//
// Fills TAMBRA.GDB in a temporary folder (or the folder given, when it has
// none yet), then starts itself as a fresh process that opens the main window
// on it, and reports:
//   - start to first cabinet listed: from starting the process to the main
//     window showing its cabinets and the first cabinet's folders (the
//     program's own start included; target under 1 s);
//   - cabinet switch: moving to another cabinet until its folders are listed
//     (target under 50 ms), average and worst over 100 moves.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/dmcenter.h"
#include "app/mainform.h"
#include "platform/db/create.h"
#include "platform/db/database.h"
#include "platform/ui/dbgrid.h"
#include "schema/tambraschema.h"

namespace {
constexpr int kCabinets = 200;
constexpr int kFoldersPerCabinet = 100;

void Fill(const QString &path) {
    TIBDatabase db;
    db.Path = path;
    CreateDatabase(db);
    db.Connect();
    ExecuteScript(db, TambraSchema());
    db.ExecuteImmediate(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE g INTEGER = 0; DECLARE d INTEGER; DECLARE id INTEGER; BEGIN "
        "  WHILE (g < %1) DO BEGIN "
        "    id = GEN_ID(GEN_GROUPID, 1); "
        "    INSERT INTO GROUPFILE (GROUPID, DESCRIPT) VALUES (:id, 'ตู้เอกสาร ' || LPAD(:g, 3, '0')); "
        "    d = 0; "
        "    WHILE (d < %2) DO BEGIN "
        "      INSERT INTO DOCUMENT (DOCNO, GROUPID, DESCRIPT, ONDATE, DOCDATE, PASSWD, ISPASSWD, COUNTPAGE) "
        "      VALUES (GEN_ID(GEN_DOCNO, 1), :id, 'แฟ้มเอกสารหมายเลข ' || LPAD(:d, 4, '0'), CURRENT_DATE, "
        "              CURRENT_DATE, '470', IIF(MOD(:d, 5) = 0, 'Y', 'N'), 0); "
        "      d = d + 1; "
        "    END "
        "    g = g + 1; "
        "  END "
        "END")
                            .arg(kCabinets)
                            .arg(kFoldersPerCabinet));
    db.Disconnect();
}

// The measured program: starts like borvane, says when the first cabinet is listed.
int Child(int argc, char **argv, const QString &folder) {
    QApplication app(argc, argv);
    TdmCenter dm;
    TMainForm form(folder);
    form.showMaximized();
    QApplication::processEvents();
    bool listed = form.GroupFileDBGrid->Model()->rowCount() == kCabinets &&
                  form.DocumentDBGrid->Model()->rowCount() == kFoldersPerCabinet;
    std::printf("LISTED %d\n", listed ? 1 : 0);
    std::fflush(stdout);

    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < 100; ++i) {
        int target = (i * 37) % kCabinets + 1;
        if (target == dm.GroupFileTable.RecNo()) target = target % kCabinets + 1;
        t.start();
        dm.GroupFileTable.SetRecNo(target);   // the folder list follows at once
        QApplication::processEvents();        // and is painted
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (form.DocumentDBGrid->Model()->rowCount() != kFoldersPerCabinet) {
            std::printf("ERROR cabinet %d listed %d folders\n", target, form.DocumentDBGrid->Model()->rowCount());
            return 1;
        }
    }
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("SWITCH %.2f %.2f\n", sum / ms.size(), *std::max_element(ms.begin(), ms.end()));
    return 0;
}
}  // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && QByteArray(argv[1]) == "--child") return Child(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    QString folder = argc >= 2 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    if (!QFile::exists(folder + QStringLiteral("TAMBRA.GDB"))) {
        QElapsedTimer fill;
        fill.start();
        Fill(folder + QStringLiteral("TAMBRA.GDB"));
        std::printf("filled %d cabinets, %d folders in %.1f s\n", kCabinets, kCabinets * kFoldersPerCabinet,
                    fill.elapsed() / 1000.0);
    }

    for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), folder});
        qint64 listedAt = -1;
        QByteArray out;
        while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
            child.waitForReadyRead(100);
            out += child.readAll();
            if (listedAt < 0 && out.contains("LISTED")) listedAt = t.elapsed();
        }
        if (!out.contains("LISTED 1") || child.exitCode() != 0) {
            std::printf("run %d failed:\n%s\n", run + 1, out.constData());
            return 1;
        }
        double avg = 0, worst = 0;
        std::sscanf(out.mid(out.indexOf("SWITCH")).constData(), "SWITCH %lf %lf", &avg, &worst);
        std::printf("run %d: start to first cabinet listed %lld ms (target < 1000); "
                    "cabinet switch avg %.2f ms, worst %.2f ms (target < 50)\n",
                    run + 1, static_cast<long long>(listedAt), avg, worst);
    }
    return 0;
}
