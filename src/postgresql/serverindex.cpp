#include "serverindex.h"

#include <QSet>

#include "publish.h"
#include "searchtext.h"
#include "serverconnection.h"

ServerSearchIndex::ServerSearchIndex(std::unique_ptr<ServerConnection> server, QByteArray table) : m_server(std::move(server)), m_table(std::move(table)) { }

ServerSearchIndex::~ServerSearchIndex() = default;

Result<std::unique_ptr<ServerSearchIndex>> ServerSearchIndex::open(const QString& connectionString, bool frenchToEnglish)
{
    ServerConnection::Session session;
    session.readOnly = true;
    session.statementMilliseconds = 10000;
    session.answerMilliseconds = 15000;
    auto server = ServerConnection::open(connectionString, session);
    if (!server)
        return server.failure();
    const QByteArray table = Publish::schemaOf(frenchToEnglish).toUtf8() + ".search";
    if (auto probe = (*server)->select("SELECT place FROM " + table + " LIMIT 1"); !probe)
        return probe.failure();
    return std::unique_ptr<ServerSearchIndex>(new ServerSearchIndex(std::move(*server), table));
}

Result<SearchIndex::Hits> ServerSearchIndex::search(const QString& text, int limit) const
{
    Hits hits;
    const QStringList words = SearchText::words(text);
    if (words.isEmpty() || limit <= 0)
        return hits;
    QSet<QString> seen;
    const auto run = [&](const QByteArray& condition, const std::string& value, QStringList* into) -> Outcome {
        // Senses of one headword are rows of their own: read past them.
        auto rows = m_server->select("SELECT term FROM " + m_table + " WHERE " + condition + " ORDER BY place LIMIT " + QByteArray::number(4 * limit),
                                     { ServerConnection::Parameter { value } });
        if (!rows)
            return rows.failure();
        for (qsizetype row = 0; row < rows->count && seen.size() < limit; ++row) {
            const QString term = QString::fromStdString(rows->cells[std::size_t(row)].value_or(std::string()));
            if (!seen.contains(term)) {
                seen.insert(term);
                into->append(term);
            }
        }
        return {};
    };
    // Folded words hold letters and digits only: nothing in them is special to LIKE or to a
    // text search query.
    if (auto done = run("head LIKE $1", QString(words.join(u' ') + u'%').toStdString(), &hits.beginning); !done)
        return done.failure();
    if (words.join(QString()).size() < 2)
        return hits;
    QStringList terms = words;
    terms.last() += QStringLiteral(":*");
    const std::string query = terms.join(QStringLiteral(" & ")).toStdString();
    if (auto done = run("to_tsvector('simple', names) @@ to_tsquery('simple', $1)", query, &hits.translated); !done)
        return done.failure();
    if (auto done = run("to_tsvector('simple', words) @@ to_tsquery('simple', $1)", query, &hits.containing); !done)
        return done.failure();
    return hits;
}
