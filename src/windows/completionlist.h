#pragma once

#include <QListWidget>

class QLineEdit;

// The list under a dictionary window's source box: the entries that begin with what is typed,
// or the closest ones. It never takes the focus: the box keeps the typing, and the window moves
// through the list with Up and Down.
class CompletionList final : public QListWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompletionList)

public:
    // `french`: the window's language, for what a screen reader says of the list.
    CompletionList(QWidget* window, bool french);

    // Shows the terms under `box`, none chosen; hides the list when there are none.
    // `incomplete`: closest among the terms read so far, which the list says.
    void showTerms(const QStringList& terms, bool closest, const QLineEdit& box, bool incomplete = false);
    // After a search that found no entry equal to the text: the closest entries under a first
    // line that says so, which cannot be chosen; a screen reader is told.
    void showNotFound(const QStringList& terms, const QLineEdit& box);
    // Moves the choice one line down (1) or up (-1); false when the list is hidden.
    bool moveChoice(int step);
    // The term chosen, or empty.
    QString choice() const;

signals:
    // A term clicked.
    void taken(const QString& term);

private:
    void announce(int row);

    bool m_french;
    bool m_notFound = false; // the first line says so and is not an entry
};
