#pragma once
// The notes editor: plain text in which links are recognised, shown as links and reported
// when clicked. A click counts only when press and release fall on the same link with the
// same button.
#include <QPlainTextEdit>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class QSyntaxHighlighter;

class TMyRichEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMyRichEdit(QWidget* parent = nullptr);

    // Button: 0 left, 1 right.
    using TLinkClickEvent = std::function<void(TMyRichEdit* Sender, const std::string& URL, uint8_t Button)>;
    void SetOnLinkClick(TLinkClickEvent Handler) { onLinkClick_ = std::move(Handler); }

    // Character range of the link under the last button press; -1, -1 when none.
    int32_t LinkDownMin() const { return linkDownMin_; }
    int32_t LinkDownMax() const { return linkDownMax_; }

    // Links are recognised (and reported) only while this is on; the creator switches it on.
    void SetAutoUrlDetect(bool Value);
    bool AutoUrlDetect() const { return autoUrlDetect_; }

    // The text between two character positions (line breaks as "\n").
    std::string GetTextRange(int32_t Min, int32_t Max) const;
    // The link at a position of the viewport; false when there is none.
    bool LinkAt(const QPoint& Position, int32_t& Min, int32_t& Max) const;

    enum class TLinkMouse { LeftButtonDown, RightButtonDown, LeftButtonUp, RightButtonUp };
    // A mouse message over the link Min..Max: drives the click detection.
    void LinkNotify(TLinkMouse Mouse, int32_t Min, int32_t Max);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    TLinkClickEvent onLinkClick_;
    int32_t linkDownMin_ = -1;
    int32_t linkDownMax_ = -1;
    uint8_t linkDownButton_ = 0;
    bool autoUrlDetect_ = false;
    QSyntaxHighlighter* highlighter_ = nullptr;
};
