#pragma once

#include "platform.h"

// The platform services as the running program provides them.

class QtMessagePresenter final : public MessagePresenter {
public:
    void showMessage(const QString& text) override;
};

class QtBusyPointer final : public BusyPointer {
public:
    void setHourglass() override;
    void setDefault() override;
};

// Arial, Times New Roman, MS Sans Serif and Andalus as the layouts name them, on the metric-compatible
// faces this platform has.
void installFontSubstitutions();

// Qt's file dialog keeps its history and last folder in the user's settings file whenever one
// closes. The program writes nothing, so the toolkit's settings are pointed where no file can
// be made. Call before any dialog is created.
void discardToolkitSettings();
