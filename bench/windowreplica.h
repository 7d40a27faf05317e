#pragma once
// A description of a window's widgets from which a bare Qt window of the same look is built.
// Qt only, so that the bare window links nothing of the project.
//
// One line a widget, parents before children, tab-separated: Qt class, parent's line (-1 for
// the window), geometry "x,y,w,h", flags (h hidden, d disabled, c checked, f fixed size,
// a filled background), the fill colour, the font it was given (empty if it inherits one),
// and its text, percent-encoded.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QWidget>

namespace morvane::bench
{

// A widget's own Qt class: the first one up its inheritance that is not the project's.
inline QString QtClassOf(const QObject* object)
{
    const QMetaObject* meta = object->metaObject();
    while (QByteArray(meta->className()).contains("::"))
        meta = meta->superClass();
    return QString::fromLatin1(meta->className());
}

inline QString TextOf(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return edit->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w))
        return box->title();
    if (auto* menu = qobject_cast<const QMenu*>(w))
        return menu->title();
    return w->isWindow() ? w->windowTitle() : QString();
}

inline QString FlagsOf(const QWidget* w)
{
    QString flags;
    if (w->isHidden())
        flags += 'h';
    if (w->testAttribute(Qt::WA_Disabled))
        flags += 'd';
    if (auto* button = qobject_cast<const QAbstractButton*>(w); button && button->isChecked())
        flags += 'c';
    if (w->minimumSize() == w->maximumSize())
        flags += 'f';
    if (w->autoFillBackground())
        flags += 'a';
    return flags;
}

inline QStringList DescribeWindow(QWidget* window)
{
    QList<QWidget*> widgets{window};
    widgets += window->findChildren<QWidget*>();
    QStringList lines;
    for (const QWidget* w : widgets) {
        const QRect g = w->geometry();
        lines << QStringList{QtClassOf(w),
                             QString::number(widgets.indexOf(w->parentWidget())),
                             QStringLiteral("%1,%2,%3,%4")
                                 .arg(g.x())
                                 .arg(g.y())
                                 .arg(g.width())
                                 .arg(g.height()),
                             FlagsOf(w),
                             w->palette().color(w->backgroundRole()).name(),
                             w->testAttribute(Qt::WA_SetFont) ? w->font().toString() : QString(),
                             QString::fromLatin1(TextOf(w).toUtf8().toPercentEncoding())}
                     .join('\t');
    }
    return lines;
}

} // namespace morvane::bench
