#include "entrysearch.h"

#include <atomic>
#include <mutex>
#include <optional>

#include <QThread>

#include "direction.h"
#include "serverindex.h"
#include "store.h"
#include "storefactory.h"
#include "termindex.h"

class EntrySearch::Worker final : public QObject {
    Q_OBJECT

public:
    Worker(ConnectionDescription description, const Direction& direction) : m_description(std::move(description)), m_direction(direction) { }

    void prepare()
    {
        auto index = open();
        if (m_stopping)
            return;
        if (!index) {
            emit prepared(false, index.failure().description);
            return;
        }
        m_index = std::move(*index);
        emit prepared(true, {});
        answer();
    }

    void put(const QString& text)
    {
        const std::lock_guard lock(m_mutex);
        m_question = text;
    }

    void answer()
    {
        if (!m_index || m_stopping)
            return;
        std::optional<QString> text;
        {
            const std::lock_guard lock(m_mutex);
            text.swap(m_question);
        }
        if (!text)
            return;
        auto hits = m_index->search(*text, limit);
        if (hits)
            emit found(*text, hits->beginning, hits->translated, hits->containing);
        else
            emit found(*text, {}, {}, {});
    }

    std::atomic<bool> m_stopping { false };

signals:
    void prepared(bool ready, const QString& problem);
    void found(const QString& text, const QStringList& beginning, const QStringList& translated, const QStringList& containing);

private:
    Result<std::unique_ptr<SearchIndex>> open()
    {
        const QString& field = m_direction.searchField;
        if (!m_description.databaseFile.isEmpty()) {
            auto kept = TermIndex::open(m_description.databaseFile, field);
            if (!kept)
                return kept.failure();
            if (*kept)
                return std::unique_ptr<SearchIndex>(std::move(*kept));
        }
        if (!m_description.serverConnection.isEmpty()) {
            // The server's own search where publish made one this reader may read; else the
            // rows are read once and indexed here.
            if (auto kept = ServerSearchIndex::open(m_description.serverConnection, m_direction.isFrenchToEnglish()))
                return std::unique_ptr<SearchIndex>(std::move(*kept));
        }
        // Opened here, so that the store is only ever used from this thread.
        auto store = openStore(m_description);
        if (!store)
            return store.failure();
        (*store)->setIndexedColumns({ field });
        auto rows = (*store)->execute(QStringLiteral("SELECT * FROM Ps ORDER BY [%1]").arg(field));
        if (!rows)
            return rows.failure();
        auto built = TermIndex::build(**rows, field);
        if (!built)
            return built.failure();
        return std::unique_ptr<SearchIndex>(std::move(*built));
    }

    ConnectionDescription m_description;
    const Direction& m_direction;
    std::unique_ptr<SearchIndex> m_index;
    std::mutex m_mutex;
    std::optional<QString> m_question;
};

EntrySearch::EntrySearch(const ConnectionDescription& description, const Direction& direction, QObject* parent)
    : QObject(parent), m_thread(new QThread), m_worker(new Worker(description, direction))
{
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &Worker::prepare);
    connect(m_worker, &Worker::prepared, this, [this](bool ready, const QString& problem) {
        m_state = ready ? State::Ready : State::Failed;
        m_problem = problem;
        emit stateChanged(m_state);
    });
    connect(m_worker, &Worker::found, this, &EntrySearch::found);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->setObjectName(QStringLiteral("entry search"));
    m_thread->start(QThread::LowPriority);
}

EntrySearch::~EntrySearch()
{
    disconnect(m_worker, nullptr, this, nullptr);
    m_worker->m_stopping = true;
    m_thread->quit();
    // A building or a wait on a silent server is not waited for: it ends on its own.
    m_thread->wait(100);
}

void EntrySearch::ask(const QString& text)
{
    m_worker->put(text);
    QMetaObject::invokeMethod(m_worker, &Worker::answer, Qt::QueuedConnection);
}

#include "entrysearch.moc"
