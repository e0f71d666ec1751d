// Random typed text against a small table: the search either shows an entry of the table or
// reports one of the failures it defines, and the text never changes what a query selects.
#include <cstdint>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "cursor.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "standins.h"
#include "windowdata.h"

namespace {

const QString& dataDirectory()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        QDir(dir.path()).mkpath(QStringLiteral("fr"));
        QFile udl(dir.filePath(QStringLiteral("d0.UDL")));
        QFile table(dir.filePath(QStringLiteral("fr/PS.txt")));
        if (!udl.open(QIODevice::WriteOnly) || !table.open(QIODevice::WriteOnly))
            return false;
        udl.write("Provider=text;Data Source=fr\n");
        table.write("English,Frensh,num\nanxiety,anxi\xc3\xa9t\xc3\xa9,0\nthe child,l'enfant,1\nfear,peur,2\n");
        return true;
    }();
    static const QString path = written ? dir.path() : QString();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static WindowData window = WindowData::open(Direction::frenchToEnglish(), dataDirectory());
    static FakeView view;
    static RecordingPresenter presenter;
    static RecordingBusyPointer pointer;
    static DictionaryOperations operations(Direction::frenchToEnglish(), *window.browse, *window.lookup, window.letterStarts, view, presenter,
                                           pointer);
    view.source = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).left(200);
    view.english.clear();
    view.french.clear();
    presenter.messages.clear();
    view.busyEvents.clear();
    pointer.events.clear();
    operations.cmdSearch_Click();
    static const QStringList entries { QStringLiteral("anxiété"), QStringLiteral("l'enfant"), QStringLiteral("peur") };
    if (presenter.messages.isEmpty()) {
        if (!view.source.isEmpty() && !entries.contains(view.french))
            __builtin_trap();
        return 0;
    }
    // Only the search's own failure: nothing matched, or a word no query can hold (a NUL or
    // half a surrogate pair typed), both 5; never an engine error.
    const bool expected = presenter.messages.constFirst().startsWith(QStringLiteral("5Invalid procedure call"));
    if (!expected)
        __builtin_trap();
    return 0;
}
