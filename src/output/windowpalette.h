#pragma once

class QWidget;

// The windows' pictures and colours are drawn for a light palette: under a dark desktop theme
// the toolkit's own colours would put light text on them. Each window takes the whole light
// palette for itself, so every colour a control does not set is one the window chose.
void useLightPalette(QWidget& window);
