#pragma once

#include <memory>

#include <QStringList>
#include <QWidget>

#include "connectiondescription.h"
#include "entrysearch.h"

class EntrySearch;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;
class QToolButton;
class Store;
class UserMemory;
struct Direction;

// The entry view beside a dictionary window: every sense of the headword the window shows,
// with its record, a search inside the whole dictionary, the favourites and the window's
// searches. Whatever the user chooses in it is looked up in the dictionary window, which the
// view then follows.
class EntryWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryWindow)

public:
    // `beginnings`: the headwords that begin with a text, while the index is being prepared.
    EntryWindow(std::shared_ptr<Store> store, const Direction& direction, UserMemory* memory,
                std::function<QStringList(const QString&)> beginnings, QWidget* parent);
    ~EntryWindow() override;

    // The headword the dictionary window now shows (empty for none).
    void follow(const QString& headword);
    void setHistory(const QStringList& words);

    // In per cent, 80 to 200.
    int textSize() const { return m_textSize; }
    void setTextSize(int percent);

    static constexpr int smallest = 80;
    static constexpr int largest = 200;

signals:
    void lookUpRequested(const QString& word);
    void rememberHistoryChanged(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void search(const QString& text);
    void showResults(const QString& text, const QStringList& beginning, const QStringList& translated, const QStringList& containing);
    void render();
    void toggleFavourite();
    void showFavourites();
    void setStatus();
    void activate(const QString& term);
    bool french() const;

    std::shared_ptr<Store> m_store;
    const Direction& m_direction;
    UserMemory* m_memory;
    std::function<QStringList(const QString&)> m_beginnings;
    EntrySearch* m_search = nullptr; // a child: tests wait on its answers
    QString m_headword;
    bool m_otherDefinition = false;
    int m_textSize = 100;
    QFont m_baseFont;
    QLineEdit* m_searchBox = nullptr;
    QLabel* m_status = nullptr;
    QListWidget* m_results = nullptr;
    QListWidget* m_favourites = nullptr;
    QListWidget* m_history = nullptr;
    QCheckBox* m_rememberHistory = nullptr;
    QToolButton* m_star = nullptr;
    QPushButton* m_definitionLanguage = nullptr;
    QTextBrowser* m_page = nullptr;
};
