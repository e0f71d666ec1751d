#pragma once

#include <QString>

#include "failure.h"

// The text another program left for the user to look up: the primary selection (what is
// highlighted) or the clipboard.
class TextSelection
{
public:
    virtual ~TextSelection() = default;
    // Why it cannot be read, when it cannot; an empty text when nothing is selected.
    virtual Result<QString> text(bool clipboard) = 0;
};

// The desktop's own: through Qt on X11 and where a Wayland compositor offers the primary
// selection to Qt; through wl-paste on Wayland when it is installed, since a compositor gives
// the clipboard only to a program that has a window in front.
class DesktopSelection final : public TextSelection
{
public:
    Result<QString> text(bool clipboard) override;
};
