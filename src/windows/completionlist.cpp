#include "completionlist.h"

#include <QAccessible>
#include <QLineEdit>

CompletionList::CompletionList(QWidget* window, bool french) : QListWidget(window), m_french(french)
{
    setObjectName(QStringLiteral("completionList"));
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setUniformItemSizes(true);
    setAccessibleName(french ? QStringLiteral("Mots du dictionnaire") : QStringLiteral("Dictionary words"));
    hide();
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->flags() & Qt::ItemIsSelectable)
            emit taken(item->text());
    });
    connect(this, &QListWidget::currentRowChanged, this, &CompletionList::announce);
}

void CompletionList::showTerms(const QStringList& terms, bool closest, const QLineEdit& box, bool incomplete)
{
    m_notFound = false;
    clear();
    if (terms.isEmpty()) {
        hide();
        return;
    }
    addItems(terms);
    setCurrentRow(-1);
    QFont smaller = box.font();
    smaller.setPointSizeF(smaller.pointSizeF() * 0.8);
    setFont(smaller);
    QString description = closest ? (m_french ? QStringLiteral("Aucun mot ne commence ainsi : les plus proches")
                                              : QStringLiteral("No word begins so: the closest ones"))
                                  : QString();
    // The closest among the words read so far, while the others cannot be read yet.
    const QString partial = m_french ? QStringLiteral("suggestions incomplètes, tous les mots du dictionnaire n'ont pas encore pu être lus")
                                     : QStringLiteral("suggestions incomplete: not every word of the dictionary could be read yet");
    if (incomplete)
        description += QStringLiteral(" (") + partial + u')';
    setAccessibleDescription(description);
    setToolTip(incomplete ? partial : QString());
    // As many lines as the window has room for below the box; the rest scroll.
    const int rowHeight = sizeHintForRow(0);
    const int top = box.geometry().bottom() + 1;
    const int room = std::max(rowHeight, parentWidget()->height() - top - 2 * frameWidth());
    const int rows = std::min<int>(int(terms.size()), std::max(1, room / rowHeight));
    setGeometry(box.x(), top, box.width(), rowHeight * rows + 2 * frameWidth());
    raise();
    show();
}

void CompletionList::showNotFound(const QStringList& terms, const QLineEdit& box)
{
    const QString heading = m_french ? QStringLiteral("Pas trouvé — entrées proches :") : QStringLiteral("Not found — closest entries:");
    showTerms(QStringList { heading } + terms, true, box);
    m_notFound = true;
    QListWidgetItem* first = item(0);
    first->setFlags(Qt::NoItemFlags);
    QFont italic = first->font();
    italic.setItalic(true);
    first->setFont(italic);
    setAccessibleDescription(heading);
    if (QAccessible::isActive()) {
        // The list never has the focus: the screen reader is told it has opened, and why.
        QAccessibleEvent shown(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&shown);
        QAccessibleEvent heard(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&heard);
    }
}

bool CompletionList::moveChoice(int step)
{
    if (isHidden() || count() == 0)
        return false;
    const int first = m_notFound ? 1 : 0;
    const int row = currentRow() < first ? (step > 0 ? first : count() - 1) : std::clamp(currentRow() + step, first, count() - 1);
    setCurrentRow(row);
    return true;
}

QString CompletionList::choice() const
{
    return isVisible() && currentItem() && currentItem()->isSelected() && (currentItem()->flags() & Qt::ItemIsSelectable) ? currentItem()->text() : QString();
}

void CompletionList::announce(int row)
{
    // The list never has the focus, so a screen reader hears of the line chosen this way.
    if (row < 0 || !QAccessible::isActive())
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(row);
    QAccessible::updateAccessibility(&selection);
}
