#pragma once

#include <QDialog>

class BusyPointer;
class MessagePresenter;
class QPushButton;
struct ProductContent;

// The modal windows a dictionary window opens: the bibliography and the publisher's and
// author's particulars. Each is loaded when opened and destroyed when closed.
class SecondaryWindow : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SecondaryWindow)

public:
    SecondaryWindow(BusyPointer& busyPointer, const QString& name, const QString& caption, const QSize& twips);

    // The about windows' load step: centred, then the default pointer.
    virtual void Form_Load();

protected:
    // cmdOK, which closes the window; a grey face, the hand pointer where given.
    QPushButton* addCloseButton(const QString& caption, const QRect& twips, const QCursor* pointer);

    BusyPointer& m_busyPointer;
};

// biblio_eng: the bibliography document in a read-only viewer.
class BibliographyWindow final : public SecondaryWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BibliographyWindow)

public:
    BibliographyWindow(BusyPointer& busyPointer, MessagePresenter& presenter, QString programDirectory);

    // biblio_eng_Form_Load: reads biblioeng1.rtf from the program directory, then centres.
    void Form_Load() override;

private:
    MessagePresenter& m_presenter;
    QString m_programDirectory;
};

// frmAbout (English) and frmAboutf1 (French).
class PublisherWindow final : public SecondaryWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PublisherWindow)

public:
    PublisherWindow(BusyPointer& busyPointer, bool french, const ProductContent& content, const QCursor& pointer);
};

// frmAboutJ (English) and frmAboutJF (French): Escape does nothing here, Enter presses the
// close button, which is neither default nor cancel.
class WriterWindow final : public SecondaryWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WriterWindow)

public:
    WriterWindow(BusyPointer& busyPointer, bool french, const ProductContent& content, const QCursor& pointer);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
