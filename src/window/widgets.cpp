#include "window/widgets.h"

#include <QApplication>
#include <QKeyEvent>
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

void ClickableField::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool altDown = event->key() == Qt::Key_Down && modifiers == Qt::AltModifier;
    const bool f4 = event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier;
    if (altDown || f4)
        emit chooserKeyPressed();
    else
        QLineEdit::keyPressEvent(event);
}

WrappingButton::WrappingButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    // Alt goes to whichever widget has the focus; the button hears of it on the way.
    qApp->installEventFilter(this);
}

bool WrappingButton::event(QEvent* event)
{
    // Qt clicks a button on its shortcut without moving the focus; a command started by its
    // mnemonic should end with the focus where a click or Space would have left it.
    if (event->type() == QEvent::Shortcut && isEnabled())
        setFocus(Qt::ShortcutFocusReason);
    return QPushButton::event(event);
}

bool WrappingButton::eventFilter(QObject* watched, QEvent* event)
{
    bool altHeld = m_altHeld;
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt)
            altHeld = event->type() == QEvent::KeyPress;
    } else if (event->type() == QEvent::ApplicationDeactivate) {
        altHeld = false;
    }
    if (altHeld != m_altHeld) {
        m_altHeld = altHeld;
        update();
    }
    return QPushButton::eventFilter(watched, event);
}

void WrappingButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !isDown())
        click();
    else
        QPushButton::keyPressEvent(event);
}

QString WrappingButton::MnemonicCaption() const
{
    QString caption = text();
    caption.replace('&', "&&");
    const QKeyCombination key = shortcut().isEmpty() ? QKeyCombination() : shortcut()[0];
    if (key.keyboardModifiers() != Qt::AltModifier)
        return caption;
    const qsizetype at = caption.indexOf(QChar(key.key()), 0, Qt::CaseInsensitive);
    if (at >= 0)
        caption.insert(at, '&');
    return caption;
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
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    if (m_altHeld && style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        painter.drawItemText(textArea, flags | Qt::TextShowMnemonic, palette(), isEnabled(),
                             MnemonicCaption(), QPalette::ButtonText);
    else
        painter.drawItemText(textArea, flags, palette(), isEnabled(), text(), QPalette::ButtonText);
}

} // namespace morvane
