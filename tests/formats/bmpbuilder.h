#pragma once
// Builds BMP files byte by byte for the reader tests.
#include <cstdint>
#include <vector>

struct BmpSpec {
    uint32_t cbFix = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t planes = 1;
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    int32_t xppm = 3780;
    int32_t yppm = 3780;
    std::vector<uint8_t> colourTable; // raw bytes, as stored
    std::vector<uint8_t> data;        // pixel bytes, as stored
};

inline void Put(std::vector<uint8_t> &v, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        v.push_back(uint8_t(value >> (8 * i)));
}

inline std::vector<uint8_t> BuildBmp(const BmpSpec &s)
{
    std::vector<uint8_t> info;
    Put(info, s.cbFix, 4);
    if (s.cbFix == 12) {
        Put(info, uint32_t(s.width), 2);
        Put(info, uint32_t(s.height), 2);
        Put(info, s.planes, 2);
        Put(info, s.bpp, 2);
    } else {
        Put(info, uint32_t(s.width), 4);
        Put(info, uint32_t(s.height), 4);
        Put(info, s.planes, 2);
        Put(info, s.bpp, 2);
        Put(info, s.compression, 4);
        Put(info, uint32_t(s.data.size()), 4);
        Put(info, uint32_t(s.xppm), 4);
        Put(info, uint32_t(s.yppm), 4);
        Put(info, s.clrUsed, 4);
        Put(info, 0, 4);
        info.resize(s.cbFix, 0); // shorter headers cut, longer ones zero-padded
    }
    const uint32_t offset = 14 + uint32_t(info.size() + s.colourTable.size());
    std::vector<uint8_t> file = {'B', 'M'};
    Put(file, offset + uint32_t(s.data.size()), 4);
    Put(file, 0, 4);
    Put(file, offset, 4);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), s.colourTable.begin(), s.colourTable.end());
    file.insert(file.end(), s.data.begin(), s.data.end());
    return file;
}
