#pragma once
// The codec frame: one set of entry points in front of a table of bitmap
// codecs (BMP, PCX, Targa), chosen by the extension of a file name, reading
// from the caller's stream. Results are GBM_ERR codes (0 = success); the frame
// never throws. Pixel data is the DIB layout of TDibGraphic: rows bottom-up,
// padded to 4 bytes, 24-bit pixels blue-green-red.
//
// Typical use (see GbmReadGraphic in gbmglue.h, which does all of it):
//   int ft; gbm_guess_filetype("File.bmp", &ft);
//   GBM gbm{}; gbm_read_header("File.bmp", stream, ft, &gbm, "inv");
//   GBMRGB pal[0x100]{}; gbm_read_palette(stream, ft, &gbm, pal);   // bpp <= 8
//   gbm_read_data(stream, ft, &gbm, bits);   // bits holds h * stride bytes
//
// Adding a codec's reader (PCX, Targa): write its four functions in
// formats/gbm<name>.cpp with the signatures of GbmCodec below and put them
// into that codec's row of the table in gbm.cpp. Until then the row answers
// GBM_ERR_NOT_SUPP for reading. Every codec must check header sizes before the
// caller allocates and bound every write by gbm_data_size(gbm).
#include "image/stream.h"

#include <cstddef>
#include <cstdint>

using GBM_ERR = int;
constexpr GBM_ERR GBM_ERR_OK = 0;
constexpr GBM_ERR GBM_ERR_MEM = 1;
constexpr GBM_ERR GBM_ERR_NOT_SUPP = 2;
constexpr GBM_ERR GBM_ERR_BAD_OPTION = 3;
constexpr GBM_ERR GBM_ERR_NOT_FOUND = 4;
constexpr GBM_ERR GBM_ERR_BAD_MAGIC = 5;
constexpr GBM_ERR GBM_ERR_BAD_SIZE = 6;
constexpr GBM_ERR GBM_ERR_READ = 7;
constexpr GBM_ERR GBM_ERR_WRITE = 8;
constexpr GBM_ERR GBM_ERR_BAD_ARG = 9;
// BMP codec
constexpr GBM_ERR GBM_ERR_BMP_PLANES = 300;
constexpr GBM_ERR GBM_ERR_BMP_BITCOUNT = 301;
constexpr GBM_ERR GBM_ERR_BMP_CBFIX = 302;
constexpr GBM_ERR GBM_ERR_BMP_COMP = 303;

constexpr int GBM_PRIV_SIZE = 2000;

// Bitmap description, filled by gbm_read_header.
struct GBM {
    int w;
    int h;
    int bpp;
    alignas(8) uint8_t priv[GBM_PRIV_SIZE]; // the codec's own, carried between calls
};

struct GBMRGB {
    uint8_t r, g, b;
};

// Capability flags of GBMFT::flags.
constexpr int GBM_FT_R1 = 0x01, GBM_FT_R4 = 0x02, GBM_FT_R8 = 0x04, GBM_FT_R24 = 0x08;
constexpr int GBM_FT_W1 = 0x10, GBM_FT_W4 = 0x20, GBM_FT_W8 = 0x40, GBM_FT_W24 = 0x80;

struct GBMFT {
    const char *short_name;
    const char *long_name;
    const char *extensions; // blank-separated
    int flags;
};

// One codec of the table.
struct GbmCodec {
    GBM_ERR (*query)(GBMFT *gbmft);
    GBM_ERR (*read_header)(const char *fn, TStream &fd, GBM *gbm, const char *opt);
    GBM_ERR (*read_palette)(TStream &fd, GBM *gbm, GBMRGB *gbmrgb);
    GBM_ERR (*read_data)(TStream &fd, GBM *gbm, uint8_t *data);
    const char *(*err)(GBM_ERR rc);
};

// Codec type for the file name's extension; GBM_ERR_NOT_FOUND when none.
GBM_ERR gbm_guess_filetype(const char *fn, int *ft);
GBM_ERR gbm_query_filetype(int ft, GBMFT *gbmft);
int gbm_query_n_filetypes();
GBM_ERR gbm_read_header(const char *fn, TStream *fd, int ft, GBM *gbm, const char *opt);
// gbmrgb holds 256 entries; entries beyond the bitmap's colours stay as given.
GBM_ERR gbm_read_palette(TStream *fd, int ft, GBM *gbm, GBMRGB *gbmrgb);
// data holds gbm_data_size(gbm) bytes.
GBM_ERR gbm_read_data(TStream *fd, int ft, GBM *gbm, uint8_t *data);
// Whether the options text holds word (whole words, case ignored; words are
// separated by blanks, tabs and commas).
bool gbm_find_word(const char *opt, const char *word);
// Text of a result code (frame codes and the codec's own).
const char *gbm_err(GBM_ERR rc);

// Row size and total size of the pixel data of a description (0 when the
// sizes are not positive or do not fit).
size_t gbm_stride(const GBM *gbm);
size_t gbm_data_size(const GBM *gbm);

// Reads ahead through a 16384-byte buffer for the run-length decoders.
class AheadReader {
public:
    explicit AheadReader(TStream &fd) : fd_(fd) {}
    // The next byte, or -1 when the stream has no more.
    int get()
    {
        if (pos_ == len_) {
            len_ = static_cast<int>(fd_.Read(buf_, sizeof buf_));
            pos_ = 0;
            if (len_ <= 0) {
                len_ = 0;
                return -1;
            }
        }
        return buf_[pos_++];
    }

private:
    TStream &fd_;
    uint8_t buf_[16384];
    int len_ = 0;
    int pos_ = 0;
};

// Seeks without throwing; false when the position cannot be had.
bool gbm_seek(TStream &fd, int64_t pos);
// Reads exactly n bytes; false on a short read.
bool gbm_read(TStream &fd, void *buf, int64_t n);

// The BMP codec (gbmbmp.cpp).
GBM_ERR bmp_qft(GBMFT *gbmft);
GBM_ERR bmp_rhdr(const char *fn, TStream &fd, GBM *gbm, const char *opt);
GBM_ERR bmp_rpal(TStream &fd, GBM *gbm, GBMRGB *gbmrgb);
GBM_ERR bmp_rdata(TStream &fd, GBM *gbm, uint8_t *data);
const char *bmp_err(GBM_ERR rc);
