#include "backgroundtermfinder.h"

#include <atomic>
#include <mutex>
#include <optional>

#include <QThread>
#include <QTimer>

#include "store.h"
#include "storefactory.h"

class BackgroundTermFinder::Worker final : public QObject {
    Q_OBJECT

public:
    Worker(ConnectionDescription description, const Direction& direction) : m_description(std::move(description)), m_direction(direction) { }

    void start()
    {
        // The reading goes on between questions, a slice at a time, so that a question waits
        // for one slice at most.
        m_reading = new QTimer(this);
        m_reading->setSingleShot(true);
        connect(m_reading, &QTimer::timeout, this, &Worker::read);
        m_reading->start(250);
    }

    void put(const QString& typed)
    {
        const std::lock_guard lock(m_mutex);
        m_question = typed;
    }

    void answer()
    {
        std::optional<QString> typed;
        {
            const std::lock_guard lock(m_mutex);
            typed.swap(m_question);
        }
        if (!typed || m_stopping)
            return;
        if (TermFinder* finder = this->finder())
            emit listed(*typed, finder->listFor(*typed, readingMilliseconds));
        else
            emit listed(*typed, {});
    }

    std::atomic<bool> m_stopping { false };

signals:
    void listed(const QString& typed, const TermFinder::List& list);

private:
    TermFinder* finder()
    {
        if (!m_finder) {
            // Opened here, so that the store is only ever used from this thread.
            auto store = openStore(m_description);
            if (!store)
                return nullptr; // asked again at the next question
            m_finder = std::make_unique<TermFinder>(std::move(*store), m_direction);
        }
        return m_finder.get();
    }

    void read()
    {
        if (m_stopping)
            return;
        TermFinder* finder = this->finder();
        const TermFinder::Reading reading = finder ? finder->prepare(50) : TermFinder::Reading::Failed;
        if (reading == TermFinder::Reading::More)
            m_reading->start(0);
        else if (reading == TermFinder::Reading::Failed)
            m_reading->start(retryMilliseconds);
    }

    ConnectionDescription m_description;
    const Direction& m_direction;
    std::unique_ptr<TermFinder> m_finder;
    QTimer* m_reading = nullptr;
    std::mutex m_mutex;
    std::optional<QString> m_question;
};

BackgroundTermFinder::BackgroundTermFinder(const ConnectionDescription& description, const Direction& direction, QObject* parent)
    : QObject(parent), m_thread(new QThread), m_worker(new Worker(description, direction))
{
    qRegisterMetaType<TermFinder::List>();
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &Worker::start);
    connect(m_worker, &Worker::listed, this, &BackgroundTermFinder::listed);
    // The thread and its worker go once the thread ends, whenever that is.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->setObjectName(QStringLiteral("term finder"));
    m_thread->start();
}

BackgroundTermFinder::~BackgroundTermFinder()
{
    disconnect(m_worker, nullptr, this, nullptr);
    m_worker->m_stopping = true;
    m_thread->quit();
    // A worker that waits on a silent server is not waited for: it ends when its wait does.
    m_thread->wait(100);
}

void BackgroundTermFinder::ask(const QString& typed)
{
    m_worker->put(typed);
    QMetaObject::invokeMethod(m_worker, &Worker::answer, Qt::QueuedConnection);
}

#include "backgroundtermfinder.moc"
