#pragma once

#include <memory>

#include <QString>

#include "failure.h"

class MessagePresenter;

// MMControl1: a player without a surface that plays one file at a time, repeating without
// end, 6 dB below full volume; giving it a file starts that file.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    virtual Outcome setFileName(const QString& path) = 0;
    virtual Outcome stop() = 0;
    virtual Outcome play() = 0;
};

// CommonDialog1: a modal file-open dialog; a cancel is failure 32755.
class FileOpenDialog {
public:
    virtual ~FileOpenDialog() = default;
    virtual Result<QString> showOpen(const QString& initialDirectory) = 0;
};

// `base` joined with each name in turn, each matched to what is on disk without regard to
// case ("music" finds "Music").
QString resolveWithoutCase(const QString& base, const QStringList& names);

// The three music operations of one dictionary window, on the window's own player and dialog.
class MusicOperations final {
public:
    MusicOperations(std::unique_ptr<MediaPlayer> player, std::unique_ptr<FileOpenDialog> dialog, MessagePresenter& presenter,
                    QString programDirectory, QString dataDirectory);
    ~MusicOperations();

    void cmdPlay_Click();
    void cmdStop_Click();
    void cmdParcourir_Click();

private:
    std::unique_ptr<MediaPlayer> m_player;
    std::unique_ptr<FileOpenDialog> m_dialog;
    MessagePresenter& m_presenter;
    QString m_programDirectory;
    QString m_dataDirectory;
};
