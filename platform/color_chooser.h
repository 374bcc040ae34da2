// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program opens the colour chooser.
#include <QColor>
#include <QObject>
#include <optional>

namespace platform {

class ColorChooser {
public:
    virtual ~ColorChooser() = default;
    // Starts on initial; returns the confirmed colour, or nothing on cancel.
    virtual std::optional<QColor> Choose(const QColor& initial, QObject* owner) = 0;
};

std::optional<QColor> ChooseColor(const QColor& initial, QObject* owner = nullptr);

// Installs the chooser; nullptr puts back the fallback, which cancels.
void SetColorChooser(ColorChooser* chooser);

}  // namespace platform
