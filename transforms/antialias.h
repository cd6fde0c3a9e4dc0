#pragma once
// TAntiAliasTransform: a black-and-white image becomes a 16-grey image of the
// same size in which every pixel is the share of set pixels in its 2 x 2 block
// (the view control shows black-and-white pages through it so that a reduced
// page stays readable). Other formats are copied unchanged.
//
// Each source byte (8 pixels) of a row pair becomes 4 destination bytes
// through AntiAliasTable; blocks never reach across a group of four pixels,
// so the fourth pixel of each group is averaged over its own column only, and
// the last row is paired with itself. A set bit counts as one whatever the
// source palette says.
#include "transforms/transform.h"

#include <array>
#include <cstdint>

// Index: a 2 x 4 block, upper row in bits 7..4, lower row in bits 3..0, the
// leftmost pixel in the higher bit. Entry: four 4-bit grey levels, the first
// pixel in bits 15..12.
extern const std::array<uint16_t, 256> AntiAliasTable;

class TAntiAliasTransform : public TImageTransform {
public:
    static constexpr const char *StaticClassName = "TAntiAliasTransform";
    const char *ClassName() const override { return StaticClassName; }

    // Black-and-white images only; anything else is left alone, with no progress.
    void Apply(TDibGraphic &graphic) override;
    void ApplyOnDest(const TDibGraphic &source, TDibGraphic &dest) override;
};
