// The codec frame: the codec table and the entry points that dispatch to it.
#include "formats/gbm.h"

#include <cctype>
#include <cstring>

namespace {

// PCX and Targa readers are not written yet: their rows describe the codecs
// and answer GBM_ERR_NOT_SUPP until their query and read functions go in here.
GBM_ERR pcx_qft(GBMFT *gbmft)
{
    *gbmft = {"PCX", "ZSoft PC Paintbrush Image format", "PCX PCC",
              GBM_FT_R1 | GBM_FT_R4 | GBM_FT_R8 | GBM_FT_R24 | GBM_FT_W1 | GBM_FT_W4 | GBM_FT_W8 | GBM_FT_W24};
    return GBM_ERR_OK;
}

GBM_ERR tga_qft(GBMFT *gbmft)
{
    *gbmft = {"Targa", "Truevision Targa/Vista bitmap", "TGA VST AFI",
              GBM_FT_R8 | GBM_FT_R24 | GBM_FT_W8 | GBM_FT_W24};
    return GBM_ERR_OK;
}

const GbmCodec kCodecs[] = {
    {bmp_qft, bmp_rhdr, bmp_rpal, bmp_rdata, bmp_err},
    {pcx_qft, nullptr, nullptr, nullptr, nullptr},
    {tga_qft, nullptr, nullptr, nullptr, nullptr},
};
constexpr int kCodecCount = int(sizeof kCodecs / sizeof kCodecs[0]);

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

bool SameIgnoringCase(const char *a, size_t alen, const char *b, size_t blen)
{
    if (alen != blen)
        return false;
    for (size_t i = 0; i < alen; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Calls f(word, length) for each word of text until f answers true.
template <class F>
bool AnyWord(const char *text, F f)
{
    const char *p = text;
    while (*p) {
        while (*p && IsSeparator(*p))
            ++p;
        const char *start = p;
        while (*p && !IsSeparator(*p))
            ++p;
        if (p > start && f(start, size_t(p - start)))
            return true;
    }
    return false;
}

bool ValidType(int ft) { return ft >= 0 && ft < kCodecCount; }

} // namespace

bool gbm_find_word(const char *opt, const char *word)
{
    if (!opt || !word)
        return false;
    const size_t wlen = std::strlen(word);
    return AnyWord(opt, [&](const char *w, size_t n) { return SameIgnoringCase(w, n, word, wlen); });
}

GBM_ERR gbm_guess_filetype(const char *fn, int *ft)
{
    if (!fn || !ft)
        return GBM_ERR_BAD_ARG;
    const char *dot = std::strrchr(fn, '.');
    const char *sep = std::strpbrk(fn, "/\\");
    const char *ext = "";
    if (dot && !(sep && sep > dot))
        ext = dot + 1;
    const size_t elen = std::strlen(ext);
    for (int i = 0; i < kCodecCount; ++i) {
        GBMFT desc;
        kCodecs[i].query(&desc);
        if (AnyWord(desc.extensions, [&](const char *w, size_t n) { return SameIgnoringCase(w, n, ext, elen); })) {
            *ft = i;
            return GBM_ERR_OK;
        }
    }
    return GBM_ERR_NOT_FOUND;
}

int gbm_query_n_filetypes() { return kCodecCount; }

GBM_ERR gbm_query_filetype(int ft, GBMFT *gbmft)
{
    if (!gbmft || !ValidType(ft))
        return GBM_ERR_BAD_ARG;
    return kCodecs[ft].query(gbmft);
}

GBM_ERR gbm_read_header(const char *fn, TStream *fd, int ft, GBM *gbm, const char *opt)
{
    if (!fn || !fd || !gbm || !ValidType(ft))
        return GBM_ERR_BAD_ARG;
    if (!kCodecs[ft].read_header)
        return GBM_ERR_NOT_SUPP;
    return kCodecs[ft].read_header(fn, *fd, gbm, opt ? opt : "");
}

GBM_ERR gbm_read_palette(TStream *fd, int ft, GBM *gbm, GBMRGB *gbmrgb)
{
    if (!fd || !gbm || !gbmrgb || !ValidType(ft))
        return GBM_ERR_BAD_ARG;
    if (!kCodecs[ft].read_palette)
        return GBM_ERR_NOT_SUPP;
    return kCodecs[ft].read_palette(*fd, gbm, gbmrgb);
}

GBM_ERR gbm_read_data(TStream *fd, int ft, GBM *gbm, uint8_t *data)
{
    if (!fd || !gbm || !data || !ValidType(ft))
        return GBM_ERR_BAD_ARG;
    if (!kCodecs[ft].read_data)
        return GBM_ERR_NOT_SUPP;
    if (gbm_data_size(gbm) == 0)
        return GBM_ERR_BAD_SIZE;
    return kCodecs[ft].read_data(*fd, gbm, data);
}

const char *gbm_err(GBM_ERR rc)
{
    switch (rc) {
    case GBM_ERR_OK: return "ok";
    case GBM_ERR_MEM: return "out of memory";
    case GBM_ERR_NOT_SUPP: return "not supported";
    case GBM_ERR_BAD_OPTION: return "bad option(s)";
    case GBM_ERR_NOT_FOUND: return "file type not found";
    case GBM_ERR_BAD_MAGIC: return "bad magic number / signature";
    case GBM_ERR_BAD_SIZE: return "bad bitmap size";
    case GBM_ERR_READ: return "can't read file";
    case GBM_ERR_WRITE: return "can't write file";
    case GBM_ERR_BAD_ARG: return "bad argument to gbm function";
    }
    for (const GbmCodec &c : kCodecs)
        if (c.err)
            if (const char *s = c.err(rc))
                return s;
    return "general error";
}

size_t gbm_stride(const GBM *gbm)
{
    if (gbm->w <= 0 || gbm->bpp <= 0 || gbm->bpp > 32)
        return 0;
    return size_t(((uint64_t(gbm->w) * uint64_t(gbm->bpp) + 31) / 32) * 4);
}

size_t gbm_data_size(const GBM *gbm)
{
    const size_t stride = gbm_stride(gbm);
    if (stride == 0 || gbm->h <= 0)
        return 0;
    const uint64_t total = uint64_t(stride) * uint64_t(gbm->h);
    return total > SIZE_MAX / 2 ? 0 : size_t(total);
}

bool gbm_seek(TStream &fd, int64_t pos)
{
    try {
        return fd.Seek(pos, TSeekOrigin::soBeginning) == pos;
    } catch (const Exception &) {
        return false;
    }
}

bool gbm_read(TStream &fd, void *buf, int64_t n)
{
    try {
        return fd.Read(buf, n) == n;
    } catch (const Exception &) {
        return false;
    }
}
