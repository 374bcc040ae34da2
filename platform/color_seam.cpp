// SPDX-License-Identifier: GPL-3.0-or-later
// The colour chooser's seam. Apart from the other seams because a colour is
// a Qt Gui type: the plain libraries (the recorder, the engine) link the
// seams without Qt Gui.
#include "color_chooser.h"

namespace platform {
namespace {

class FallbackColorChooser final : public ColorChooser {
public:
    std::optional<QColor> Choose(const QColor&, QObject*) override { return std::nullopt; }
};

FallbackColorChooser fallbackColorChooser;
ColorChooser* currentColorChooser = &fallbackColorChooser;

}  // namespace

std::optional<QColor> ChooseColor(const QColor& initial, QObject* owner) {
    return currentColorChooser->Choose(initial, owner);
}
void SetColorChooser(ColorChooser* chooser) { currentColorChooser = chooser ? chooser : &fallbackColorChooser; }

}  // namespace platform
