#include "ui/controls/MyRichEdit.h"

#include <QMouseEvent>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include "ui/controls/LinkDetection.h"

namespace {

// Shows the links of each line underlined in the link colour.
class TLinkHighlighter : public QSyntaxHighlighter {
public:
    TLinkHighlighter(QTextDocument* document, QWidget* owner) : QSyntaxHighlighter(document), owner_(owner) {}

protected:
    void highlightBlock(const QString& text) override
    {
        QTextCharFormat format;
        format.setFontUnderline(true);
        format.setForeground(owner_->palette().color(QPalette::Link));
        for (const TTextLink& link : FindLinks(text.toStdU16String()))
            setFormat(link.Min, link.Max - link.Min, format);
    }

private:
    QWidget* owner_;
};

} // namespace

TMyRichEdit::TMyRichEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setMouseTracking(true);
}

void TMyRichEdit::SetAutoUrlDetect(bool Value)
{
    if (Value == autoUrlDetect_)
        return;
    autoUrlDetect_ = Value;
    if (Value) {
        highlighter_ = new TLinkHighlighter(document(), this);
    } else {
        delete highlighter_;
        highlighter_ = nullptr;
    }
}

std::string TMyRichEdit::GetTextRange(int32_t Min, int32_t Max) const
{
    const int32_t length = document()->characterCount() - 1;  // without the final paragraph mark
    Min = std::clamp(Min, 0, std::max(0, length));
    Max = std::clamp(Max, Min, std::max(0, length));
    QTextCursor cursor(document());
    cursor.setPosition(Min);
    cursor.setPosition(Max, QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.toStdString();
}

bool TMyRichEdit::LinkAt(const QPoint& Position, int32_t& Min, int32_t& Max) const
{
    if (!autoUrlDetect_)
        return false;
    const QTextCursor cursor = cursorForPosition(Position);
    const QTextBlock block = cursor.block();
    if (!block.isValid())
        return false;
    // The cursor position lies between characters: the link must be under the pointer, not
    // merely next to the nearest caret position.
    const QRectF caret = cursorRect(cursor);
    const int offset = cursor.positionInBlock() - (Position.x() < caret.left() ? 1 : 0);
    if (Position.y() < caret.top() || Position.y() > caret.bottom())
        return false;
    for (const TTextLink& link : FindLinks(block.text().toStdU16String())) {
        if (offset >= link.Min && offset < link.Max) {
            Min = block.position() + link.Min;
            Max = block.position() + link.Max;
            return true;
        }
    }
    return false;
}

void TMyRichEdit::LinkNotify(TLinkMouse Mouse, int32_t Min, int32_t Max)
{
    switch (Mouse) {
    case TLinkMouse::LeftButtonDown:
    case TLinkMouse::RightButtonDown:
        linkDownMin_ = Min;
        linkDownMax_ = Max;
        linkDownButton_ = Mouse == TLinkMouse::LeftButtonDown ? 0 : 1;
        break;
    case TLinkMouse::LeftButtonUp:
    case TLinkMouse::RightButtonUp: {
        const uint8_t button = Mouse == TLinkMouse::LeftButtonUp ? 0 : 1;
        const bool same = linkDownButton_ == button && linkDownMin_ == Min && linkDownMax_ == Max && Min >= 0;
        linkDownMin_ = -1;
        linkDownMax_ = -1;
        if (same && onLinkClick_)
            onLinkClick_(this, GetTextRange(Min, Max), button);
        break;
    }
    }
}

void TMyRichEdit::mousePressEvent(QMouseEvent* event)
{
    int32_t min = -1;
    int32_t max = -1;
    const bool left = event->button() == Qt::LeftButton;
    if ((left || event->button() == Qt::RightButton) && LinkAt(event->position().toPoint(), min, max))
        LinkNotify(left ? TLinkMouse::LeftButtonDown : TLinkMouse::RightButtonDown, min, max);
    else if (left || event->button() == Qt::RightButton)
        linkDownMin_ = linkDownMax_ = -1;  // a press off any link: no later release may count
    QPlainTextEdit::mousePressEvent(event);
}

void TMyRichEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    int32_t min = -1;
    int32_t max = -1;
    const bool left = event->button() == Qt::LeftButton;
    if ((left || event->button() == Qt::RightButton) && LinkAt(event->position().toPoint(), min, max))
        LinkNotify(left ? TLinkMouse::LeftButtonUp : TLinkMouse::RightButtonUp, min, max);
    else if (left || event->button() == Qt::RightButton)
        linkDownMin_ = linkDownMax_ = -1;  // released off any link
}

void TMyRichEdit::mouseMoveEvent(QMouseEvent* event)
{
    int32_t min = -1;
    int32_t max = -1;
    viewport()->setCursor(LinkAt(event->position().toPoint(), min, max) ? Qt::PointingHandCursor : Qt::IBeamCursor);
    QPlainTextEdit::mouseMoveEvent(event);
}
