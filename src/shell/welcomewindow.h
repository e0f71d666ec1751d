#pragma once

#include "shellwindow.h"

class QLabel;

// demarage: the welcome window the program starts with.
class WelcomeWindow final : public ShellWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WelcomeWindow)

public:
    WelcomeWindow(MessagePresenter& presenter, QString programDirectory, const QCursor& buttonPointer, QWidget* parent = nullptr);

    // demarage_Form_Load: the load colour and the product's particulars.
    void Form_Load();

signals:
    // "Enter", or a double-click on the title.
    void enterRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_programDirectory;
};
