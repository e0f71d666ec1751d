#pragma once

#include <QString>
#include <QDialog>

#include "windowdata.h"

class QPushButton;
class QTextBrowser;

// The small window a word selected in another program opens in when the dictionary is not
// running: the entry with its record, near the pointer, and a button that opens the full
// dictionary window on it. Escape closes it. Each look-up handed to it replaces the entry. A
// dialog, so that a screen reader says what opened over the other program.
class CompactWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompactWindow)

public:
    // The two dictionaries' tables, opened as their windows open them.
    CompactWindow(WindowData french, WindowData english, QWidget* parent = nullptr);
    ~CompactWindow() override;

    void lookUp(bool english, const QString& word);
    // Why there is nothing to look up, in place of an entry.
    void showMessage(const QString& message);
    // Shown beside the pointer, on its screen, and given the keyboard.
    void showNearPointer();

signals:
    void openRequested(bool english, const QString& word);

private:
    void setLanguage(bool english);

    WindowData m_french;
    WindowData m_english;
    bool m_inEnglish = false;
    QString m_word;
    QString m_headword;
    QTextBrowser* m_page = nullptr;
    QPushButton* m_open = nullptr;
};
