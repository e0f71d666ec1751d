#include "windowzoom.h"

#include <algorithm>
#include <cmath>

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include "formbuilder.h"

WindowZoom::WindowZoom(QWidget* window) : m_window(window) { }

void WindowZoom::record()
{
    m_size = m_window->size();
    for (QWidget* child : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        Original original { child->geometry(), child->font(), child->testAttribute(Qt::WA_SetFont), {} };
        if (auto* button = qobject_cast<QAbstractButton*>(child))
            original.iconSize = button->iconSize();
        m_original.insert(child, original);
    }
}

int WindowZoom::set(int percent)
{
    percent = std::clamp(percent, steps[0], steps[std::size(steps) - 1]);
    if (percent == m_percent)
        return percent;
    if (m_original.isEmpty())
        record();
    m_percent = percent;
    const qreal factor = percent / 100.0;
    const auto scaled = [factor](int length) { return int(std::lround(length * factor)); };
    m_window->setFixedSize(scaled(m_size.width()), scaled(m_size.height()));
    for (auto it = m_original.cbegin(); it != m_original.cend(); ++it) {
        QWidget* child = it.key();
        const Original& original = it.value();
        const QRect& g = original.geometry;
        child->setGeometry(percent == 100 ? g : QRect(scaled(g.x()), scaled(g.y()), scaled(g.width()), scaled(g.height())));
        if (percent == 100) {
            child->setFont(original.ownFont ? original.font : QFont());
        } else {
            QFont font = original.font;
            font.setPointSizeF(original.font.pointSizeF() * factor);
            child->setFont(font);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(child); button && original.iconSize.isValid() && !button->icon().isNull()) {
            const QSize size = percent == 100 ? original.iconSize : QSize(scaled(original.iconSize.width()), scaled(original.iconSize.height()));
            const QString svg = button->property("svgIcon").toString();
            if (!svg.isEmpty())
                button->setIcon(QIcon(FormBuilder::renderSvg(svg, size)));
            button->setIconSize(size);
        }
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const QString svg = label->property("svg").toString();
            if (!svg.isEmpty())
                label->setPixmap(FormBuilder::renderSvg(svg, child->size()));
        }
    }
    return percent;
}

int WindowZoom::next(int percent, int direction)
{
    const int* at = std::find(std::begin(steps), std::end(steps), percent);
    const qsizetype index = at == std::end(steps) ? 2 : at - std::begin(steps);
    return steps[std::clamp<qsizetype>(index + direction, 0, qsizetype(std::size(steps)) - 1)];
}
