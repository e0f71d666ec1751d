#include "checkcommand.h"

#include <algorithm>

#include <QTextStream>

#include "buildcommand.h"
#include "connectiondescription.h"
#include "cursor.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "letterstarttable.h"
#include "publish.h"
#include "textfile.h"
#include "windowdata.h"

namespace CheckCommand {
namespace {

// Reports each entry of a browse order whose num is not its position, then the first position
// of each letter; the number of entries with a wrong num.
int reportBrowseOrder(QTextStream& out, const QList<std::pair<QString, FieldValue>>& rows, LetterStartTable* starts)
{
    int wrong = 0;
    QStringList terms;
    for (qsizetype position = 0; position < rows.size(); ++position) {
        const auto& [term, num] = rows[position];
        if (num.text.trimmed() != QString::number(position)) {
            ++wrong;
            // A num that names no position at all says why, as the search would.
            const auto named = browsePosition(num);
            out << "  position " << position << ": num is " << (num.null ? QStringLiteral("empty") : num.text)
                << (named ? QString() : QStringLiteral(" (") + named.failure().description + u')') << ": " << term << Qt::endl;
        }
        terms.append(term);
    }
    *starts = BuildCommand::letterStarts(terms);
    for (int letter = 0; letter < 26; ++letter)
        out << "  " << QChar(u'A' + letter) << ' ' << (*starts)[letter] << Qt::endl;
    out << "  " << rows.size() << " entries, " << wrong << " with a wrong num" << Qt::endl;
    out << "  Letter Starts=" << LetterStarts::format(*starts) << Qt::endl;
    return wrong;
}

// Walks the browse order of one direction, reporting each entry whose num is off, then the
// first position of each letter.
int checkDirection(QTextStream& out, const QString& title, const Direction& direction, const QString& dataDirectory)
{
    out << title << Qt::endl;
    WindowData data = WindowData::open(direction, dataDirectory);
    if (data.loadFailure) {
        out << "  cannot open: " << data.loadFailure->number << ' ' << data.loadFailure->description << Qt::endl;
        return 2;
    }
    Cursor& browse = *data.browse;
    QList<std::pair<QString, FieldValue>> rows;
    for (Outcome step = browse.moveFirst(); step.ok() && browse.onEntry(); step = browse.moveNext()) {
        const auto term = browse.field(direction.searchField);
        const auto num = browse.field(Column::num);
        if (!term || !num) {
            out << "  position " << rows.size() << ": " << (term ? num.failure() : term.failure()).description << Qt::endl;
            return 2;
        }
        rows.append({ term->text, *num });
    }
    LetterStartTable starts {};
    int wrong = reportBrowseOrder(out, rows, &starts);

    // The key the connection file gives, if any, must agree with the table.
    const auto description = ConnectionDescription::read(TextFile::findCaseInsensitive(dataDirectory, direction.connectionFile), dataDirectory);
    if (description && description->letterStarts) {
        if (LetterStarts::format(data.letterStarts) == LetterStarts::format(starts)) {
            out << "  the connection file's Letter Starts agree with the table" << Qt::endl;
        } else {
            ++wrong;
            for (int letter = 0; letter < 26; ++letter) {
                if (data.letterStarts[letter] != starts[letter])
                    out << "  Letter Starts gives " << QChar(u'A' + letter) << ' ' << data.letterStarts[letter] << ", the table starts it at " << starts[letter]
                        << Qt::endl;
            }
        }
    }
    return wrong == 0 ? 0 : 1;
}

} // namespace

CommandAnswer check(const QString& dataDirectory)
{
    CommandAnswer answer;
    QTextStream out(&answer.out);
    const int french = checkDirection(out, QStringLiteral("d0.UDL (French to English, by Frensh):"), Direction::frenchToEnglish(), dataDirectory);
    const int english = checkDirection(out, QStringLiteral("d2.UDL (English to French, stored order):"), Direction::englishToFrench(), dataDirectory);
    answer.status = std::max(french, english);
    return answer;
}

CommandAnswer checkServer(const QString& connectionString)
{
    CommandAnswer answer;
    QTextStream out(&answer.out);
    for (const bool frenchToEnglish : { true, false }) {
        out << Publish::schemaOf(frenchToEnglish) << ".ps (" << (frenchToEnglish ? "French to English, by Frensh" : "English to French, stored order") << "):"
            << Qt::endl;
        auto rows = Publish::browseOrder(connectionString, frenchToEnglish);
        if (!rows) {
            out << "  cannot read: " << rows.failure().description << Qt::endl;
            answer.status = 2;
            return answer;
        }
        LetterStartTable starts {};
        answer.status = std::max(answer.status, reportBrowseOrder(out, *rows, &starts) == 0 ? 0 : 1);
    }
    return answer;
}

} // namespace CheckCommand
