#include "window/widgets.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace morvane
{

void ClickableField::mousePressEvent(QMouseEvent* event)
{
    // The field takes focus and places the cursor first, so that whatever the click opens
    // comes up over a field that already shows where the user clicked.
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && isEnabled())
        emit pressed();
}

void WrappingButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    constexpr int kMargin = 2;
    const QRect textArea = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    painter.drawItemText(textArea, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(),
                         text(), QPalette::ButtonText);
}

} // namespace morvane
