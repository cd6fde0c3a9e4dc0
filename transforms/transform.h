#pragma once
// TImageTransform: the base of every whole-image operation.
//
// Create the transform, set its public parameters and OnProgress, then either
// transform an image in place or build the result into another image:
//
//   TAntiAliasTransform t;
//   t.OnProgress = [](TImageTransform *, uint8_t percent) { ... };
//   t.ApplyOnDest(source, dest);   // source is left as it was
//   t.Apply(image);                // in place, through a temporary image
//
// A run reports 0 first, then one report per row (or column), then 100, and
// never hands the same percentage to the handler twice in a row. A run cannot
// be cancelled; an exception from the handler ends it.
#include "image/dibgraphic.h"

#include <cstdint>
#include <functional>

class TImageTransform;

// Sender is the transform (nullptr from helpers such as the colour quantizer).
using TTransformProgressEvent = std::function<void(TImageTransform *sender, uint8_t percentDone)>;

// Turns a position within low..high into a whole percentage (truncated,
// clamped to 0..100) and calls handler when it differs from previous. Answers
// the percentage; 0 without calling anything when no handler is set. An empty
// range (high == low) counts as 0 %.
uint8_t ReportProgress(TImageTransform *sender, int64_t current, int64_t low, uint8_t previous, int64_t high,
                       const TTransformProgressEvent &handler);

class TImageTransform {
public:
    static constexpr const char *StaticClassName = "TImageTransform";
    // Starts each run so that the first report always reaches the handler.
    static constexpr uint8_t kNoPercentYet = 255;

    TImageTransform() = default;
    virtual ~TImageTransform() = default;
    TImageTransform(const TImageTransform &) = delete;
    TImageTransform &operator=(const TImageTransform &) = delete;

    virtual const char *ClassName() const { return StaticClassName; }

    // In place: ApplyOnDest into a temporary image, then Assign it back.
    virtual void Apply(TDibGraphic &graphic);
    // Builds the result of source into dest; dest's previous content is
    // discarded. The base raises EVantrelError
    // "Method "ApplyOnDest" not implemented for <class> class".
    virtual void ApplyOnDest(const TDibGraphic &source, TDibGraphic &dest);

    TTransformProgressEvent OnProgress;
    // Last percentage handed to OnProgress in the current run.
    uint8_t ReportedPercent = kNoPercentYet;

protected:
    // ReportProgress on this transform's handler, remembering the answer.
    void Report(int64_t current, int64_t low, int64_t high)
    {
        ReportedPercent = ReportProgress(this, current, low, ReportedPercent, high, OnProgress);
    }
    void BeginRun() { ReportedPercent = kNoPercentYet; }
};
