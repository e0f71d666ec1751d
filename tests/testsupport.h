#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "helpviewer.h"
#include "music.h"
#include "platform.h"

#include <memory>

// Writes `text` as UTF-8 to `dir/name`, creating folders on the way.
void writeTextFile(const QString& dir, const QString& name, const QByteArray& bytes);

// A data directory with d0.UDL and d2.UDL over one table PS each. `french` holds the rows
// of the French-to-English table and `english` those of the other, each (English, Frensh,
// num) in stored order.
struct Entry {
    QString english;
    QString french;
    QString num;
};
void writeDictionary(const QString& dataDir, const QList<Entry>& french, const QList<Entry>& english);

// A complete content.json whose texts name their place ("publisher.email" and so on), with
// the welcome window's four texts as given.
QByteArray contentJson(const QString& companyLatin, const QString& companyArabic, const QString& author, const QString& notice);

// The entries with num counted in the given order.
QList<Entry> numbered(const QList<QPair<QString, QString>>& englishFrench);

class RecordingPresenter final : public MessagePresenter {
public:
    void showMessage(const QString& text) override { messages.append(text); }
    QStringList messages;
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

// A player and a dialog that do nothing, for windows whose music is not under test.
class RecordingPlayer final : public MediaPlayer {
public:
    Outcome setFileName(const QString& path) override { return record(QStringLiteral("set ") + path); }
    Outcome stop() override { return record(QStringLiteral("stop")); }
    Outcome play() override { return record(QStringLiteral("play")); }

    Outcome record(const QString& call)
    {
        calls.append(call);
        return failOn.isEmpty() || !call.startsWith(failOn) ? Outcome() : Outcome(Failure { 53, QStringLiteral("cannot play") });
    }
    QStringList calls;
    QString failOn;
};

std::unique_ptr<MediaPlayer> silentPlayer();
std::unique_ptr<FileOpenDialog> noDialog();

class RecordingHelpViewer final : public HelpViewer {
public:
    void openHelpFile(const QString& path) override { opened.append(path); }
    QStringList opened;
};
