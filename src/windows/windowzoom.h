#pragma once

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

// A fixed window scaled whole: its size, every control's place and size, fonts and pictures
// together. At 100 % each is set back to what it was built with, so nothing differs from the
// window never zoomed. A picture is redrawn from the SVG named by its "svg" property, an
// icon from "svgIcon".
class WindowZoom final {
public:
    explicit WindowZoom(QWidget* window);

    int percent() const { return m_percent; }
    // Clamped to the steps' range; returns the percentage set.
    int set(int percent);

    static constexpr int steps[] = { 80, 90, 100, 110, 125, 150, 175, 200 };
    // The step `direction` steps from `percent` (from 100 if it is none), within the steps.
    static int next(int percent, int direction);

private:
    struct Original {
        QRect geometry;
        QFont font;
        bool ownFont = false;
        QSize iconSize;
    };
    void record();

    QWidget* m_window;
    QSize m_size;
    QHash<QWidget*, Original> m_original;
    int m_percent = 100;
};
