#pragma once
// A filing store with one cabinet and one folder of pages, the formats
// registered, and helpers to put pages in and look at what the viewer shows.
#include <QFile>

#include <memory>

#include "app/dmcenter.h"
#include "formats/bitmapgraphic.h"
#include "formats/formats.h"
#include "image/imagescrollbox.h"
#include "platform/ui/dbnavigator.h"
#include "platform/ui/idleslot.h"
#include "tests/imageview/multibmp.h"
#include "tests/ui/uitest.h"
#include "viewer/viewform.h"

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterStartupFormats();
        RegisterMultiBmp();
        dm = std::make_unique<TdmCenter>();
        dm->DatabasePath = folder.DatabasePath();
        dm->GroupFileTable.Open();
        dm->DocumentTable.Open();
        dm->ImageFileTable.Open();
        dm->GroupFileTable.Insert();
        dm->GroupFileTableDESCRIPT->SetAsString(QStringLiteral("Cabinet"));
        dm->GroupFileTable.Post();
        dm->DocumentTable.Insert();
        dm->DocumentTableDESCRIPT->SetAsString(QStringLiteral("Letters"));
        dm->DocumentTableISPASSWD->SetAsString(QStringLiteral("N"));
        dm->DocumentTable.Post();
    }
    void TearDown() override
    {
        viewer.reset();
        dm.reset();
        UnregisterFormats();
    }

    // Stores a page with the given mark straight into the folder.
    void AddPage(int mark, int w = 40, int h = 30)
    {
        TDibGraphic page;
        MakeMarkedPage(page, w, h, mark);
        TMemoryStream bmp;
        WriteBmp(page, bmp);
        dm->ImageFileTable.Append();
        dm->ImageFileTableIMAGES->SetAsBytes(QByteArray(reinterpret_cast<const char *>(bmp.Memory()), bmp.Size()));
        dm->ImageFileTable.Post();
    }
    TViewForm &Open(const QStringList &arguments = {QStringLiteral("borvane")})
    {
        viewer = std::make_unique<TViewForm>(folder.Path(), nullptr, arguments);
        return *viewer;
    }
    TDibGraphic &Shown() { return *viewer->ImageScrollBox->Graphic(); }
    void Idle()
    {
        bool done = false;
        viewer->ApplicationIdle(done);
    }
    int Pages() { return CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM IMAGEFILE")); }
    QString TempBmp() const { return folder.Path() + QStringLiteral("temp.BMP"); }
    QString Write(const char *name, std::vector<int> marks)
    {
        std::vector<TDibGraphic> pages(marks.size());
        std::vector<const TDibGraphic *> ptrs;
        for (size_t i = 0; i < marks.size(); ++i) {
            MakeMarkedPage(pages[i], 40, 30, marks[i]);
            ptrs.push_back(&pages[i]);
        }
        const QString path = folder.Path() + QString::fromLatin1(name);
        WriteMultiBmp(path, ptrs);
        return path;
    }
    QString WriteBmpFile(const char *name, int mark, int w = 40, int h = 30)
    {
        TDibGraphic page;
        MakeMarkedPage(page, w, h, mark);
        TMemoryStream bmp;
        WriteBmp(page, bmp);
        const QString path = folder.Path() + QString::fromLatin1(name);
        bmp.SaveToFile(path);
        return path;
    }

    TestFolder folder;
    BoxRecorder boxes;
    std::unique_ptr<TdmCenter> dm;
    std::unique_ptr<TViewForm> viewer;
};
