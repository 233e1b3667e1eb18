#pragma once
// The window is laid out in pixels of a 120-dpi screen. Qt's device-independent pixel is a
// 96-dpi pixel, so every coordinate is scaled by 96/120 and Qt's high-DPI scaling does the rest.

#include <QRect>
#include <QtGlobal>

inline int Px(int layoutPixels) { return qRound(layoutPixels * 96.0 / 120.0); }

inline QRect PxRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(left + width) - Px(left), Px(top + height) - Px(top));
}
