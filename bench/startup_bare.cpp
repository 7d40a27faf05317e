// A bare Qt window for bench_startup: Qt's own widgets built from a description of the
// window program's (startup_window --describe), with their places, texts and fonts, and
// nothing else, up to the first paint.
//
// usage: startup_bare DESCRIPTION_FILE

#include "firstpaint.h"
#include "windowreplica.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

#include <cstdio>
#include <memory>
#include <vector>

namespace
{

// The widget a parent makes for itself (a menu bar's extension button, a field's action
// button), or nothing.
QWidget* MadeByParent(const QString& cls, QWidget* parent)
{
    if (cls == "QToolButton" && qobject_cast<QMenuBar*>(parent))
        return parent->findChild<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (cls == "QLineEditIconButton") {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::gray);
        static_cast<QLineEdit*>(parent)->addAction(QIcon(pixmap), QLineEdit::TrailingPosition);
        const QList<QWidget*> made = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        return made.isEmpty() ? nullptr : made.last();
    }
    return nullptr;
}

QWidget* Make(const QString& cls, QWidget* parent, const QString& text)
{
    auto* main = qobject_cast<QMainWindow*>(parent);
    if (cls == "QMenuBar" && main)
        return main->menuBar();
    if (cls == "QMenu" && qobject_cast<QMenuBar*>(parent))
        return static_cast<QMenuBar*>(parent)->addMenu(text);
    if (QWidget* made = MadeByParent(cls, parent))
        return made;
    if (cls == "QMainWindow")
        return new QMainWindow(parent);
    if (cls == "QWidget" && main) {
        main->setCentralWidget(new QWidget);
        return main->centralWidget();
    }
    if (cls == "QWidget")
        return new QWidget(parent);
    if (cls == "QFrame")
        return new QFrame(parent);
    if (cls == "QLabel")
        return new QLabel(text, parent);
    if (cls == "QLineEdit")
        return new QLineEdit(text, parent);
    if (cls == "QPushButton")
        return new QPushButton(text, parent);
    if (cls == "QRadioButton")
        return new QRadioButton(text, parent);
    if (cls == "QGroupBox")
        return new QGroupBox(text, parent);
    if (cls == "QSlider")
        return new QSlider(Qt::Horizontal, parent);
    if (cls == "QToolButton")
        return new QToolButton(parent);
    return nullptr;
}

QRect RectOf(const QString& text)
{
    const QStringList n = text.split(',');
    return n.size() == 4 ? QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt()) : QRect();
}

// Places the widget unless a layout of its parent does, and gives it its looks.
void Shape(QWidget* w, const QStringList& f)
{
    const QString flags = f[3];
    const QRect rect = RectOf(f[2]);
    const bool laidOut = w->isWindow() || qobject_cast<QMainWindow*>(w->parentWidget()) ||
                         qobject_cast<QMenuBar*>(w->parentWidget());
    if (flags.contains('f'))
        w->setFixedSize(rect.size());
    else if (!laidOut)
        w->setGeometry(rect);
    if (w->isWindow())
        w->setWindowTitle(QString::fromUtf8(QByteArray::fromPercentEncoding(f[6].toLatin1())));
    if (!f[5].isEmpty()) {
        QFont font;
        font.fromString(f[5]);
        w->setFont(font);
    }
    if (flags.contains('a')) {
        w->setAutoFillBackground(true);
        QPalette palette = w->palette();
        palette.setColor(w->backgroundRole(), QColor(f[4]));
        w->setPalette(palette);
    }
    if (flags.contains('d'))
        w->setEnabled(false);
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && flags.contains('c'))
        button->setChecked(true);
    if (flags.contains('h') && !qobject_cast<QMenu*>(w))
        w->hide();
}

// The window, or nothing when the description names a widget this cannot make.
std::unique_ptr<QWidget> Build(const QStringList& lines)
{
    std::unique_ptr<QWidget> window;
    std::vector<QWidget*> made;
    for (const QString& line : lines) {
        const QStringList f = line.split('\t');
        const int parent = f.value(1).toInt();
        if (f.size() != 7 || parent >= int(made.size()) || (parent < 0) != made.empty())
            return nullptr;
        const QString text = QString::fromUtf8(QByteArray::fromPercentEncoding(f[6].toLatin1()));
        QWidget* w = Make(f[0], parent < 0 ? nullptr : made[std::size_t(parent)], text);
        if (!w)
            return nullptr;
        if (made.empty())
            window.reset(w);
        made.push_back(w);
        Shape(w, f);
    }
    return window;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QFile file(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    if (!file.open(QIODevice::ReadOnly))
        return std::fputs("usage: startup_bare DESCRIPTION_FILE\n", stderr), 2;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const std::unique_ptr<QWidget> window = Build(lines);
    if (!window)
        return std::fputs("startup_bare: the description names a widget it cannot make\n", stderr),
               1;
    window->show();
    new morvane::bench::FirstPaint(window.get());
    return QApplication::exec();
}
