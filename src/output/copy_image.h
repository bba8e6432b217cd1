#pragma once
// "Copy image": the planned bitmap (output/copy_image_plan.h) painted from the panels'
// pixels, in the frequency axis's font. GUI thread only.

#include "output/copy_image_plan.h"

#include <QFont>
#include <QImage>

namespace zevrin {

class TAxis;

/// The axis's ticks with the labels it shows; those it leaves out for want of room
/// are empty.
std::vector<AxisTick> shown_ticks(const TAxis& axis);

/// Measures texts in `font` on the screen.
TextMeasure screen_text_measure(const QFont& font);

/// The bitmap: white, the waveform's pixels (when planned) and the plot's, each
/// framed in black, the ticks and the texts.
QImage compose_copy_image(const TCopyImagePlan& plan, const QImage& wave, const QImage& plot,
                          const QFont& font);

} // namespace zevrin
