#pragma once

#include <memory>

#include <QList>
#include <QString>
#include <QStringList>

#include "helpviewer.h"
#include "music.h"
#include "platform.h"

// Stand-ins for the program's platform interfaces: one set for the tests, the fuzz targets,
// the benchmarks and the traced session.

class RecordingPresenter final : public MessagePresenter {
public:
    void showMessage(const QString& text) override;
    QStringList messages;
    bool echo = false; // also print each message on standard output, as "message: …"
};

class RecordingBusyPointer final : public BusyPointer {
public:
    void setHourglass() override { events.append(QStringLiteral("hourglass")); }
    void setDefault() override { events.append(QStringLiteral("default")); }
    QStringList events;
};

class FakeView final : public EntryView {
public:
    QString sourceText() const override { return source; }
    void setEnglishText(const QString& text) override { english = text; }
    void setFrenchText(const QString& text) override { french = text; }
    void focusSource() override { ++focusCount; }
    void setWindowBusy(bool busy) override { busyEvents.append(busy); }

    QString source;
    QString english = QStringLiteral("(untouched)");
    QString french = QStringLiteral("(untouched)");
    int focusCount = 0;
    QList<bool> busyEvents;
};

// A player that records its calls, failing with 53 on the first call that starts with `failOn`.
class RecordingPlayer final : public MediaPlayer {
public:
    Outcome setFileName(const QString& path) override { return record(QStringLiteral("set ") + path); }
    Outcome stop() override { return record(QStringLiteral("stop")); }
    Outcome play() override { return record(QStringLiteral("play")); }

    Outcome record(const QString& call);
    QStringList calls;
    QString failOn;
};

// For windows whose music is not under test: a player that does nothing and a dialog that is
// always cancelled.
std::unique_ptr<MediaPlayer> silentPlayer();
std::unique_ptr<FileOpenDialog> noDialog();

class RecordingHelpViewer final : public HelpViewer {
public:
    void openHelpFile(const QString& path) override { opened.append(path); }
    QStringList opened;
};
