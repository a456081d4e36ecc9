#include "ui/options/QtFont.h"

QFont ToQFont(const TFontDesc& desc)
{
    QFont font(QString::fromStdString(desc.Name));
    if (desc.Size > 0)
        font.setPointSize(desc.Size);
    font.setBold((desc.Style & fsBold) != 0);
    font.setItalic((desc.Style & fsItalic) != 0);
    font.setUnderline((desc.Style & fsUnderline) != 0);
    font.setStrikeOut((desc.Style & fsStrikeOut) != 0);
    return font;
}

TFontDesc FromQFont(const QFont& font, int32_t charset, int32_t color)
{
    TFontDesc desc;
    desc.Name = font.family().toStdString();
    desc.Charset = charset;
    desc.Color = color;
    desc.Size = font.pointSize() > 0 ? font.pointSize() : static_cast<int32_t>(font.pointSizeF() + 0.5);
    desc.Style = (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) | (font.underline() ? fsUnderline : 0) |
                 (font.strikeOut() ? fsStrikeOut : 0);
    return desc;
}

QColor ToQColor(int32_t color, const QPalette& palette)
{
    if (color < 0) {
        switch (static_cast<uint32_t>(color) & 0xFFu) {
        case 5:  // window background
            return palette.color(QPalette::Base);
        case 8:  // window text
            return palette.color(QPalette::Text);
        case 13:  // highlight
            return palette.color(QPalette::Highlight);
        case 15:  // button face
            return palette.color(QPalette::Button);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    const auto c = static_cast<uint32_t>(color);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

int32_t FromQColor(const QColor& color)
{
    return static_cast<int32_t>(static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
                                (static_cast<uint32_t>(color.blue()) << 16));
}
