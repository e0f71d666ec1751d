// The quick lookup against the windows' own search, on the same compiled store: whenever the
// quick lookup answers, the search shows that very entry and reports nothing. The first byte
// chooses the direction, the rest is the word as it would come from the command line.
#include <cstdint>
#include <string>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "connectiondescription.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "quicklookup.h"
#include "standins.h"
#include "store.h"
#include "storefactory.h"
#include "windowdata.h"

namespace {

// Terms with ties, accents, ligatures, quotes, combining marks and characters beyond the BMP,
// in both directions' stored order, compiled as the tables tool compiles them.
const QString& dataDirectory()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        const QByteArray rows = "English,Frensh,num\n"
                                "anxiety,anxi\xc3\xa9t\xc3\xa9,0\n"
                                "anxiousness,Anxiete,1\n"
                                "the child,l'enfant,2\n"
                                "\"say \"\"no\"\"\",\xc5\x93" "dipe,3\n"
                                "fear,peur,4\n"
                                "fear of the dark,peur du noir,5\n"
                                "smile,sourire \xf0\x9f\x98\x80,6\n"
                                "e acute,e\xcc\x81tat,7\n"
                                "zeal,z\xc3\xa8le,8\n";
        for (const char* table : { "fr", "en" }) {
            QDir(dir.path()).mkpath(QString::fromLatin1(table));
            QFile file(dir.filePath(QString::fromLatin1(table) + QStringLiteral("/PS.txt")));
            if (!file.open(QIODevice::WriteOnly) || file.write(rows) != rows.size())
                return false;
        }
        for (const auto& [udl, table] : { std::pair { "d0.UDL", "fr" }, std::pair { "d2.UDL", "en" } }) {
            const QString folder = dir.filePath(QString::fromLatin1(table));
            auto description = ConnectionDescription::parse(QStringLiteral("Provider=text;Data Source=") + folder, QString(), dir.path());
            auto store = description ? openStore(*description) : Result<std::shared_ptr<Store>>(Failure {});
            if (!store || !(*store)->execute(QStringLiteral("PS")) || !(*store)->compileTo(folder + QStringLiteral(".sqlite")))
                return false;
            QFile file(dir.filePath(QString::fromLatin1(udl)));
            if (!file.open(QIODevice::WriteOnly))
                return false;
            file.write("Provider=sqlite;Data Source=" + QByteArray(table) + ".sqlite\n");
        }
        return true;
    }();
    static const QString path = written ? dir.path() : QString();
    return path;
}

struct Window {
    explicit Window(const Direction& direction)
        : data(WindowData::open(direction, dataDirectory()))
        , operations(direction, *data.browse, *data.lookup, data.letterStarts, view, presenter, pointer)
    {
    }
    WindowData data;
    FakeView view;
    RecordingPresenter presenter;
    RecordingBusyPointer pointer;
    DictionaryOperations operations;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The harness itself must work: the store compiled and a plain word answered quickly.
    static const bool live = !dataDirectory().isEmpty()
        && quickLookup(dataDirectory().toStdString(), QueryTexts::frenchToEnglish, "peur") == std::optional<std::string>("peur\tfear\n");
    if (!live)
        __builtin_trap();
    if (size == 0 || size > 300)
        return 0;
    const bool english = data[0] & 1;
    static Window french(Direction::frenchToEnglish());
    static Window englishWindow(Direction::englishToFrench());
    const std::string word(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto answer = quickLookup(dataDirectory().toStdString(), english ? QueryTexts::englishToFrench : QueryTexts::frenchToEnglish, word);
    if (!answer)
        return 0; // handed to the tool, which is the search itself
    Window& window = english ? englishWindow : french;
    window.view.source = QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
    window.view.english.clear();
    window.view.french.clear();
    window.presenter.messages.clear();
    window.view.busyEvents.clear();
    window.operations.afficher_resultat();
    const QString shown = window.view.french + u'\t' + window.view.english + u'\n';
    if (!window.presenter.messages.isEmpty() || shown.toStdString() != *answer)
        __builtin_trap();
    return 0;
}
