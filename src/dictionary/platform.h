#pragma once

#include <QString>

// The platform services the dictionary operations use, kept small so tests can stand in.

// Shows one failure message: OK button only, no icon, the application's title as caption.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void showMessage(const QString& text) = 0;
};

// The application-wide mouse pointer.
class BusyPointer {
public:
    virtual ~BusyPointer() = default;
    virtual void setHourglass() = 0;
    virtual void setDefault() = 0;
};

// What the dictionary operations see of their window: the two term boxes and the window's
// own pointer.
class EntryView {
public:
    virtual ~EntryView() = default;
    virtual QString sourceText() const = 0;
    virtual void setEnglishText(const QString& text) = 0; // Text_eng
    virtual void setFrenchText(const QString& text) = 0;  // Text_fr
    virtual void focusSource() = 0;
    virtual void setWindowBusy(bool busy) = 0;
};
