#include "image/stream.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstring>

TEST(MemoryStream, ReadsWritesAndSeeksLikeAFile)
{
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 6);
    EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 4);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2); // short at the end, no exception
    EXPECT_EQ(std::string(buf, 2), "ef");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.SetPosition(1);
    EXPECT_THROW(s.ReadBuffer(buf, 6), EReadError);
    EXPECT_THROW(s.Seek(-1, TSeekOrigin::soBeginning), EStreamError);

    // Writing past the end zero-fills the gap.
    s.SetPosition(8);
    s.WriteBuffer("x", 1);
    ASSERT_EQ(s.Size(), 9);
    EXPECT_EQ(std::memcmp(s.Memory(), "abcdef\0\0x", 9), 0);
}

TEST(MemoryStream, HandsItsBytesOutWithoutCopying)
{
    TMemoryStream s;
    s.WriteBuffer("BM12", 4);
    const QByteArray view = s.RawByteArray();
    EXPECT_EQ(view.constData(), reinterpret_cast<const char *>(s.Memory()));
    EXPECT_EQ(view, QByteArray("BM12"));

    const uint8_t *before = s.Memory();
    std::vector<uint8_t> bytes = s.TakeBytes();
    EXPECT_EQ(bytes.data(), before);
    EXPECT_EQ(s.Size(), 0);

    TMemoryStream back(std::move(bytes));
    EXPECT_EQ(back.Memory(), before);
    EXPECT_EQ(back.Position(), 0);
}

TEST(FileStream, RoundTripsAndReportsMissingFiles)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("a.bin");
    {
        TFileStream out(name, TFileStream::fmCreate);
        out.WriteBuffer("hello", 5);
        EXPECT_EQ(out.Size(), 5);
    }
    TFileStream in(name, TFileStream::fmOpenRead);
    // Opened with sharing allowed: a second reader at the same time works.
    TFileStream second(name, TFileStream::fmOpenRead);
    TMemoryStream copy;
    in.Seek(1, TSeekOrigin::soBeginning);
    EXPECT_EQ(copy.CopyFrom(in, 4), 4);
    EXPECT_EQ(copy.RawByteArray(), QByteArray("ello"));
    EXPECT_EQ(copy.CopyFrom(second, 0), 5); // 0 = the whole source
    EXPECT_EQ(copy.Size(), 9);

    try {
        TFileStream missing(dir.filePath("none.bmp"), TFileStream::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError &e) {
        EXPECT_NE(std::string(e.what()).find("none.bmp"), std::string::npos);
    }
}
