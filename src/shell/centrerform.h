#pragma once

#include <QPoint>

class QWidget;

// Where a window of the given outer size lands when centred on a screen of the given size,
// all in twips: each difference rounded to a whole number (halves to even) in single
// precision, then halved with the fraction dropped, so a window 301 twips too wide lands at
// -150.
QPoint centredPosition(float screenWidth, float screenHeight, float windowWidth, float windowHeight);

// Centres a window on its whole screen, task bar included, keeping its size.
void centrer_form(QWidget& window);
