#include "helpviewer.h"
#include "windowpalette.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSplitter>
#include <QStringDecoder>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "applicationhelpfile.h"
#include "chmfile.h"

namespace {

const QString scheme = QStringLiteral("chm");

QUrl pageUrl(const QString& objectPath)
{
    QUrl url;
    url.setScheme(scheme);
    url.setPath(objectPath.startsWith(u'/') ? objectPath : u'/' + objectPath);
    return url;
}

// Pages say their encoding in a meta tag; without one they are read as UTF-8 when valid.
QString decodePage(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(1024).toLower();
    if (!head.contains("utf-8") && (head.contains("windows-1252") || head.contains("iso-8859-1"))) {
        QStringDecoder latin(QStringDecoder::Latin1);
        return latin.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder latin(QStringDecoder::Latin1);
    return latin.decode(bytes);
}

} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("page"));
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == scheme)
            setSource(url);
        else
            QDesktopServices::openUrl(url);
    });
}

void HelpBrowser::setHelpFile(std::shared_ptr<ChmFile> file)
{
    m_file = std::move(file);
    clearHistory();
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (!m_file || name.scheme() != scheme)
        return {};
    auto bytes = m_file->read(name.path());
    if (!bytes) {
        if (type == QTextDocument::HtmlResource)
            return QStringLiteral("<h3>%1</h3>").arg(bytes.failure().description.toHtmlEscaped());
        return {};
    }
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
        return decodePage(*bytes);
    return *bytes;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent), m_browser(new HelpBrowser), m_contents(new QTreeWidget)
{
    setObjectName(QStringLiteral("helpViewer"));
    useLightPalette(*this); // the help pages' colours are for a light page
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 620);
    m_contents->setObjectName(QStringLiteral("contents"));
    m_contents->setAccessibleName(tr("Contents"));
    m_browser->setAccessibleName(tr("Help page"));
    m_contents->setHeaderHidden(true);
    auto* toolbar = new QToolBar;
    QAction* back = toolbar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"), m_browser, &QTextBrowser::backward);
    QAction* forward = toolbar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"), m_browser, &QTextBrowser::forward);
    QAction* homePage = toolbar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("Home"), this, &HelpWindow::home);
    back->setObjectName(QStringLiteral("back"));
    forward->setObjectName(QStringLiteral("forward"));
    homePage->setObjectName(QStringLiteral("home"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_contents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const QString local = item->data(0, Qt::UserRole).toString();
        if (!local.isEmpty())
            m_browser->setSource(pageUrl(local));
    });

    auto* splitter = new QSplitter;
    splitter->addWidget(m_contents);
    splitter->addWidget(m_browser);
    splitter->setSizes({ 240, 660 });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(splitter);
}

void HelpWindow::addTopics(QTreeWidgetItem* parent, const QList<HelpTopic>& topics)
{
    // Breadth by breadth with an explicit stack: a deep contents file costs no recursion.
    QList<std::pair<QTreeWidgetItem*, const QList<HelpTopic>*>> pending { { parent, &topics } };
    while (!pending.isEmpty()) {
        const auto [under, list] = pending.takeLast();
        for (const HelpTopic& topic : *list) {
            auto* item = under ? new QTreeWidgetItem(under) : new QTreeWidgetItem(m_contents);
            item->setText(0, topic.name.isEmpty() ? topic.local : topic.name);
            item->setData(0, Qt::UserRole, topic.local);
            if (!topic.children.isEmpty())
                pending.append({ item, &topic.children });
        }
    }
}

void HelpWindow::open(const QString& path)
{
    m_contents->clear();
    auto file = ChmFile::open(path);
    if (!file) {
        m_file.reset();
        m_browser->setHelpFile(nullptr);
        setWindowTitle(tr("Help: %1").arg(QFileInfo(path).fileName()));
        m_browser->setHtml(QStringLiteral("<h2>%1</h2><p>%2</p>").arg(tr("This help file cannot be shown."), file.failure().description.toHtmlEscaped()));
        return;
    }
    m_file = std::move(*file);
    m_browser->setHelpFile(m_file);
    setWindowTitle(m_file->title().isEmpty() ? QFileInfo(path).fileName() : m_file->title());
    if (const QString contents = m_file->contentsFile(); !contents.isEmpty()) {
        if (auto hhc = m_file->read(contents))
            addTopics(nullptr, parseContents(*hhc));
    }
    m_contents->expandToDepth(0);
    home();
}

void HelpWindow::home()
{
    if (m_file)
        m_browser->setSource(pageUrl(m_file->defaultTopic()));
}

void QtHelpViewer::openHelpFile(const QString& path)
{
    if (!m_window)
        m_window = new HelpWindow;
    m_window->open(path);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

HelpKey::HelpKey(const ApplicationHelpFile& helpFile, HelpViewer& viewer, QObject* parent) : QObject(parent), m_helpFile(helpFile), m_viewer(viewer) { }

bool HelpKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 && watched->isWidgetType()) {
        m_viewer.openHelpFile(m_helpFile.path());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
