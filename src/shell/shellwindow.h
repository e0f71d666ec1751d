#pragma once

#include <QWidget>

class MessagePresenter;
class QPushButton;

// What the welcome and choice windows share: a cancel button that Escape presses, buttons
// that Enter presses when they have the focus, and the load step's background colour.
class ShellWindow : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShellWindow)

public:
    explicit ShellWindow(MessagePresenter& presenter, QWidget* parent = nullptr);

protected:
    QPushButton* addShellButton(const QString& name, const QString& caption, const QString& tooltip, const QRect& twips, const QFont& font,
                                const QColor& face, const QCursor& pointer);
    void setCancelButton(QPushButton* button) { m_cancel = button; }
    // The system colour of tooltip backgrounds, which the load steps give both windows.
    void setLoadColour();
    void keyPressEvent(QKeyEvent* event) override;

    MessagePresenter& m_presenter;

private:
    QPushButton* m_cancel = nullptr;
};
