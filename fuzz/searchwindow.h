#pragma once

#include <QString>

#include "platform.h"

// What a dictionary window gives its search, reduced to what the fuzz targets look at.
class FuzzView final : public EntryView {
public:
    QString sourceText() const override { return typed; }
    void setEnglishText(const QString& text) override { english = text; }
    void setFrenchText(const QString& text) override { french = text; }
    void focusSource() override { }
    void setWindowBusy(bool) override { }
    QString typed, english, french;
};

class FuzzMessages final : public MessagePresenter {
public:
    void showMessage(const QString& text) override { last = text; }
    QString last;
};

class FuzzPointer final : public BusyPointer {
public:
    void setHourglass() override { }
    void setDefault() override { }
};
