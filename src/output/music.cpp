#include "music.h"

#include <QDir>

#include "platform.h"
#include "textfile.h"

QString resolveWithoutCase(const QString& base, const QStringList& names)
{
    QString path = base;
    for (const QString& name : names) {
        const QString found = TextFile::findCaseInsensitive(path, name);
        path = found.isEmpty() ? QDir(path).filePath(name) : found;
    }
    return path;
}

MusicOperations::MusicOperations(std::unique_ptr<MediaPlayer> player, std::unique_ptr<FileOpenDialog> dialog, MessagePresenter& presenter,
                                 QString programDirectory, QString dataDirectory)
    : m_player(std::move(player))
    , m_dialog(std::move(dialog))
    , m_presenter(presenter)
    , m_programDirectory(std::move(programDirectory))
    , m_dataDirectory(std::move(dataDirectory))
{
}

// The player goes with the window: its music ends here.
MusicOperations::~MusicOperations() = default;

void MusicOperations::cmdPlay_Click()
{
    Outcome done = m_player->stop();
    if (done.ok())
        done = m_player->setFileName(resolveWithoutCase(m_programDirectory, { QStringLiteral("music"), QStringLiteral("music1.mid") }));
    if (done.ok())
        done = m_player->play();
    if (!done)
        m_presenter.showMessage(failureMessage(done.failure(), QStringLiteral("CMD PLAY")));
}

void MusicOperations::cmdStop_Click()
{
    if (auto done = m_player->stop(); !done)
        m_presenter.showMessage(failureMessage(done.failure(), QStringLiteral("Stop")));
}

void MusicOperations::cmdParcourir_Click()
{
    auto chosen = m_dialog->showOpen(resolveWithoutCase(m_dataDirectory, { QStringLiteral("Music") }));
    Outcome done = chosen ? Outcome() : chosen.failure();
    if (done.ok())
        done = m_player->setFileName(*chosen);
    if (done.ok())
        done = m_player->stop();
    if (done.ok())
        done = m_player->play();
    if (!done && done.failure().number != FailureNumber::DialogCancelled)
        m_presenter.showMessage(failureMessage(done.failure(), QStringLiteral("Parcourir")));
}
