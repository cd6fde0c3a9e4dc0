#include "formats/gbm.h"

#include <gtest/gtest.h>

TEST(GbmFrame, GuessesTheCodecFromTheExtension)
{
    const struct {
        const char *name;
        GBM_ERR rc;
        int type;
    } cases[] = {{"File.bmp", 0, 0}, {"x.RL8", 0, 0},  {"a.b.dib", 0, 0},   {"File.pcx", 0, 1},
                 {"p.PCC", 0, 1},    {"File.tga", 0, 2}, {"v.afi", 0, 2},     {"x.png", 4, -1},
                 {"bmp", 4, -1},     {"a.bm", 4, -1},    {"dir.bmp/file", 4, -1}, {"dir.bmp\\file", 4, -1}};
    for (const auto &c : cases) {
        int ft = -1;
        EXPECT_EQ(gbm_guess_filetype(c.name, &ft), c.rc) << c.name;
        if (c.rc == 0)
            EXPECT_EQ(ft, c.type) << c.name;
    }
    int ft;
    EXPECT_EQ(gbm_guess_filetype(nullptr, &ft), GBM_ERR_BAD_ARG);
}

TEST(GbmFrame, DescribesItsCodecs)
{
    ASSERT_EQ(gbm_query_n_filetypes(), 3);
    const struct {
        const char *shortName, *extensions;
        int flags;
    } rows[] = {{"Bitmap", "BMP VGA BGA RLE DIB RL4 RL8", 0xFF}, {"PCX", "PCX PCC", 0xFF}, {"Targa", "TGA VST AFI", 0xCC}};
    for (int i = 0; i < 3; ++i) {
        GBMFT ft{};
        ASSERT_EQ(gbm_query_filetype(i, &ft), GBM_ERR_OK);
        EXPECT_STREQ(ft.short_name, rows[i].shortName);
        EXPECT_STREQ(ft.extensions, rows[i].extensions);
        EXPECT_EQ(ft.flags, rows[i].flags);
    }
    GBMFT ft;
    EXPECT_EQ(gbm_query_filetype(3, &ft), GBM_ERR_BAD_ARG);
}

TEST(GbmFrame, FindsWholeWordsOnly)
{
    EXPECT_TRUE(gbm_find_word("inv", "inv"));
    EXPECT_TRUE(gbm_find_word(" INVB,\tinv ", "inv"));
    EXPECT_TRUE(gbm_find_word("x,invb", "InvB"));
    EXPECT_FALSE(gbm_find_word("invb", "inv"));
    EXPECT_FALSE(gbm_find_word("inv", "invb"));
    EXPECT_FALSE(gbm_find_word("", "inv"));
}

TEST(GbmFrame, ArgumentFaultsAnswerBadArgument)
{
    TMemoryStream s;
    GBM gbm{};
    GBMRGB pal[256];
    uint8_t data[4];
    EXPECT_EQ(gbm_read_header("File.bmp", nullptr, 0, &gbm, ""), GBM_ERR_BAD_ARG);
    EXPECT_EQ(gbm_read_header("File.bmp", &s, 0, nullptr, ""), GBM_ERR_BAD_ARG);
    EXPECT_EQ(gbm_read_palette(&s, 0, &gbm, nullptr), GBM_ERR_BAD_ARG);
    EXPECT_EQ(gbm_read_data(&s, 0, &gbm, nullptr), GBM_ERR_BAD_ARG);
    EXPECT_EQ(gbm_read_palette(&s, 7, &gbm, pal), GBM_ERR_BAD_ARG);
    EXPECT_EQ(gbm_read_data(&s, 0, &gbm, data), GBM_ERR_BAD_SIZE); // no header read
}

TEST(AheadReader, ReturnsBytesThenMinusOne)
{
    std::vector<uint8_t> bytes(40000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    TMemoryStream s{std::vector<uint8_t>(bytes)};
    AheadReader r(s);
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(r.get(), bytes[i]) << i;
    EXPECT_EQ(r.get(), -1);
    EXPECT_EQ(r.get(), -1);
}
