#pragma once
// Between the font description with charset and colour and Qt's font and colour.
#include "ui/options/FontText.h"

#include <QColor>
#include <QFont>
#include <QPalette>

QFont ToQFont(const TFontDesc& desc);
// Charset and colour have no place in QFont; the caller gives them.
TFontDesc FromQFont(const QFont& font, int32_t charset, int32_t color);
// System colours (negative values) are taken from the palette.
QColor ToQColor(int32_t color, const QPalette& palette);
int32_t FromQColor(const QColor& color);
