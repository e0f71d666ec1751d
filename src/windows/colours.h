#pragma once

#include <QColor>

// The program's colours, as its windows name them.
namespace Colours {

inline const QColor lightGrey { 0xE0, 0xE0, 0xE0 }; // button faces, the target term box
inline const QColor grey { 0xC0, 0xC0, 0xC0 };      // darker faces, banners, the welcome window
inline const QColor navy { 0x00, 0x00, 0x80 };      // titles, the terms
inline const QColor blue { 0x00, 0x00, 0xC0 };      // labels
inline const QColor brightBlue { 0x00, 0x00, 0xFF }; // headings of the about windows
inline const QColor lavender { 0xC0, 0xC0, 0xFF };  // the choice window's banners

} // namespace Colours
