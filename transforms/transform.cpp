#include "transforms/transform.h"

#include <algorithm>
#include <cstdio>

uint8_t ReportProgress(TImageTransform *sender, int64_t current, int64_t low, uint8_t previous, int64_t high,
                       const TTransformProgressEvent &handler)
{
    if (!handler)
        return 0;
    int64_t percent = 0;
    if (high != low)
        percent = (current - low) * 100 / (high - low);
    percent = std::clamp<int64_t>(percent, 0, 100);
    const auto result = static_cast<uint8_t>(percent);
    if (result != previous)
        handler(sender, result);
    return result;
}

void TImageTransform::Apply(TDibGraphic &graphic)
{
    TDibGraphic temporary;
    ApplyOnDest(graphic, temporary);
    graphic.Assign(&temporary);
}

void TImageTransform::ApplyOnDest(const TDibGraphic &, TDibGraphic &)
{
    char message[256];
    std::snprintf(message, sizeof message, "Method %s not implemented for %s class", "\"ApplyOnDest\"", ClassName());
    throw EVantrelError(message);
}
