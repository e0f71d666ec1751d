#pragma once

#include <memory>

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>

class ApplicationHelpFile;
class ChmFile;
class QTreeWidget;
class QTreeWidgetItem;
struct HelpTopic;

// Opens a help file at its start page in a window of its own and returns.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void openHelpFile(const QString& path) = 0;
};

// Shows the pages of a help file, resolving its links and pictures inside the file.
class HelpBrowser final : public QTextBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpBrowser)

public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    void setHelpFile(std::shared_ptr<ChmFile> file);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::shared_ptr<ChmFile> m_file;
};

// The help viewer's window: the contents tree beside the page, with back, forward and home.
// A file that cannot be shown is reported in the window itself.
class HelpWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpWindow)

public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void open(const QString& path);

private:
    void addTopics(QTreeWidgetItem* parent, const QList<HelpTopic>& topics);
    void home();

    HelpBrowser* m_browser;
    QTreeWidget* m_contents;
    std::shared_ptr<ChmFile> m_file;
};

class QtHelpViewer final : public HelpViewer {
public:
    void openHelpFile(const QString& path) override;

private:
    QPointer<HelpWindow> m_window;
};

// F1 in any window of the program opens the application help file.
class HelpKey final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpKey)

public:
    HelpKey(const ApplicationHelpFile& helpFile, HelpViewer& viewer, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const ApplicationHelpFile& m_helpFile;
    HelpViewer& m_viewer;
};
