#pragma once
// Little-endian fields of the file headers the image model writes (BMP file
// and info headers), whatever the machine's own byte order.
#include <cstdint>

inline void PutLE16(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void PutLE32(uint8_t *p, uint32_t v)
{
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}
