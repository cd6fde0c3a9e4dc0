// Page viewer timings on a folder of stored A4 300-dpi pages, alternately
// black-and-white and true colour:
//   - opening the viewer on the folder's first page, for a small folder and
//     for the whole folder (opening must not depend on the page count);
//   - moving to the next page with the navigator, by page kind;
//   - the same BMP bytes written to a plain file and read back, as the floor.
// Targets: next 1-bit page < 60 ms, next colour page < 250 ms.
//
//   bench_viewer [pages]      (default 500; each colour page is 26 MB)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/dmcenter.h"
#include "formats/bitmapgraphic.h"
#include "formats/formats.h"
#include "image/imagescrollbox.h"
#include "platform/db/create.h"
#include "platform/ui/dbnavigator.h"
#include "schema/tambraschema.h"
#include "viewer/viewform.h"

namespace {

constexpr int kWidth = 2480, kHeight = 3508; // A4 at 300 dpi

QByteArray PageBytes(bool colour, int seed)
{
    TDibGraphic page;
    page.NewImage(kWidth, kHeight, colour ? ifRgb24 : ifBlackWhite, nullptr, 300, 300);
    // Some text-like content so the rows are not all alike.
    uint32_t state = 2463534242u + uint32_t(seed);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t *row = page.ScanLine(y);
        for (int i = 0; i < page.BytesPerLine(); ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[i] = (y / 40) % 2 ? uint8_t(state) : 0xFF;
        }
    }
    TMemoryStream bmp;
    WriteBmp(page, bmp);
    return QByteArray(reinterpret_cast<const char *>(bmp.Memory()), qsizetype(bmp.Size()));
}

struct Stats {
    std::vector<double> ms;
    void Add(double v) { ms.push_back(v); }
    void Print(const char *what) const
    {
        if (ms.empty())
            return;
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        std::printf("%-44s n=%3zu  median %7.1f ms  max %7.1f ms\n", what, s.size(), s[s.size() / 2], s.back());
    }
};

double OpenViewer(const QString &folder, TdmCenter &dm)
{
    dm.ImageFileTable.First();
    QElapsedTimer t;
    t.start();
    TViewForm viewer(folder, nullptr, {});
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(2, atoi(argv[1])) : 500;
    RegisterStartupFormats();
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    {
        TIBDatabase db;
        db.Path = folder + QStringLiteral("TAMBRA.GDB");
        CreateDatabase(db);
        db.Connect();
        ExecuteScript(db, TambraSchema());
        db.Disconnect();
    }
    TdmCenter dm;
    dm.DatabasePath = folder + QStringLiteral("TAMBRA.GDB");
    dm.GroupFileTable.Open();
    dm.DocumentTable.Open();
    dm.ImageFileTable.Open();
    dm.GroupFileTable.Insert();
    dm.GroupFileTableDESCRIPT->SetAsString(QStringLiteral("Bench"));
    dm.GroupFileTable.Post();

    const QByteArray mono = PageBytes(false, 1), colour = PageBytes(true, 2);
    std::printf("page sizes: 1-bit %.1f MB, colour %.1f MB\n", mono.size() / 1e6, colour.size() / 1e6);

    // Two folders: a small one, and the one with every page.
    auto addFolder = [&](const char *name, int count) {
        dm.DocumentTable.Insert();
        dm.DocumentTableDESCRIPT->SetAsString(QString::fromLatin1(name));
        dm.DocumentTableISPASSWD->SetAsString(QStringLiteral("N"));
        dm.DocumentTable.Post();
        for (int i = 0; i < count; ++i) {
            dm.ImageFileTable.Append();
            dm.ImageFileTableIMAGES->SetAsBytes(i % 2 ? colour : mono);
            dm.ImageFileTable.Post();
        }
        return dm.DocumentTableDOCNO->Value();
    };
    QElapsedTimer fill;
    fill.start();
    const QVariant small = addFolder("small", 4);
    const QVariant large = addFolder("large", pages);
    std::printf("stored %d + 4 pages in %.1f s\n", pages, fill.elapsed() / 1000.0);

    Stats openSmall, openLarge, nextMono, nextColour, fileMono, fileColour, scroll, zoom;
    for (int round = 0; round < 5; ++round) {
        dm.DocumentTable.Locate(QStringLiteral("DOCNO"), small);
        openSmall.Add(OpenViewer(folder, dm));
        dm.DocumentTable.Locate(QStringLiteral("DOCNO"), large);
        openLarge.Add(OpenViewer(folder, dm));
    }

    dm.DocumentTable.Locate(QStringLiteral("DOCNO"), large);
    dm.ImageFileTable.First();
    {
        TViewForm viewer(folder, nullptr, {});
        viewer.resize(1280, 800);
        viewer.show();
        QCoreApplication::processEvents();
        for (int i = 1; i < pages; ++i) {
            QElapsedTimer t;
            const int builds = viewer.ImageScrollBox->DisplayBuilds();
            t.start();
            viewer.wwDBNavigator1->BtnClick(nbNext);
            if (viewer.ImageScrollBox->DisplayBuilds() - builds != 1)
                std::printf("page %d: display built %d times\n", i, viewer.ImageScrollBox->DisplayBuilds() - builds);
            viewer.ImageScrollBox->viewport()->repaint();
            const double ms = double(t.nsecsElapsed()) / 1e6;
            (viewer.ImageScrollBox->Graphic()->ImageFormat() == ifRgb24 ? nextColour : nextMono).Add(ms);
        }
        // Scrolling and zooming the last page (colour when the count is even).
        TImageScrollBox &view = *viewer.ImageScrollBox;
        QScrollBar *bar = view.verticalScrollBar();
        for (int step = 0; step < 30; ++step) {
            QElapsedTimer t;
            t.start();
            bar->setValue(bar->value() + 40);
            view.viewport()->repaint();
            scroll.Add(double(t.nsecsElapsed()) / 1e6);
        }
        for (int step = 0; step < 6; ++step) {
            QElapsedTimer t;
            t.start();
            if (step % 2)
                view.SetZoomMode(zmFullPage);
            else
                view.SetZoomPercent(50.0f + 10.0f * step);
            view.viewport()->repaint();
            zoom.Add(double(t.nsecsElapsed()) / 1e6);
        }
    }

    // The floor: the same bytes through a plain file and the BMP reader.
    const QString plain = folder + QStringLiteral("plain.bmp");
    for (int i = 0; i < 20; ++i) {
        const QByteArray &bytes = i % 2 ? colour : mono;
        QElapsedTimer t;
        t.start();
        QFile f(plain);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        f.close();
        TBitmapGraphic g;
        g.LoadFromFile(plain);
        (i % 2 ? fileColour : fileMono).Add(double(t.nsecsElapsed()) / 1e6);
    }

    openSmall.Print("open viewer, folder of 4 pages");
    openLarge.Print(qPrintable(QStringLiteral("open viewer, folder of %1 pages").arg(pages)));
    nextMono.Print("next page, 1-bit (target < 60 ms)");
    nextColour.Print("next page, colour (target < 250 ms)");
    scroll.Print("scroll 40 pixels and repaint, actual size");
    zoom.Print("change the zoom and repaint");
    fileMono.Print("plain file BMP write + read, 1-bit");
    fileColour.Print("plain file BMP write + read, colour");
    dm.ImageFileTable.Close();
    UnregisterFormats();
    return 0;
}
