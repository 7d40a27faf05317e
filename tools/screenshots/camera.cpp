#include "camera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageWriter>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace morvane::screenshots
{
namespace
{

constexpr int kMessageBoxSettleMs = 600;
constexpr int kPollMs = 50;
// Without a window manager nothing frames the windows; a dark ground and a thin outline
// show where one ends and the next begins.
const QColor kBetweenWindows(0x5a, 0x5f, 0x66);
const QColor kOutline(0x30, 0x30, 0x30);
constexpr int kMargin = 1;

// The program's windows on screen, the longest-lived first so that dialogs and message
// boxes come out on top where they overlap it.
QList<QWidget*> ShownWindows()
{
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        // A popup is shown when the scene opened it (the port list); tooltips never are.
        if (w->isVisible() && w->windowType() != Qt::ToolTip)
            shown << w;
    }
    std::stable_sort(shown.begin(), shown.end(), [](QWidget* a, QWidget* b) {
        return a->objectName() == "FrmMain" && b->objectName() != "FrmMain";
    });
    return shown;
}

void Deliver(QWidget* widget, QEvent::Type type, Qt::MouseButtons buttons)
{
    const QPointF local = QRectF(widget->rect()).center();
    QMouseEvent event(type, local, widget->mapTo(widget->window(), local),
                      widget->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void ClickInto(QWidget* widget)
{
    Deliver(widget, QEvent::MouseButtonPress, Qt::LeftButton);
    Deliver(widget, QEvent::MouseButtonRelease, Qt::NoButton);
}

bool SaveShownWindows(const QString& dir, const QString& name)
{
    const QList<QWidget*> windows = ShownWindows();
    QScreen* screen = QApplication::primaryScreen();
    if (windows.isEmpty() || !screen)
        return false;
    QRect area;
    for (QWidget* w : windows)
        area |= w->frameGeometry();
    area.adjust(-kMargin, -kMargin, kMargin, kMargin);
    QImage canvas(area.size(), QImage::Format_RGB32);
    canvas.fill(kBetweenWindows);
    QPainter painter(&canvas);
    QStringList titles;
    for (QWidget* w : windows) {
        const QRect g = w->frameGeometry();
        const QPoint at = g.topLeft() - area.topLeft();
        painter.drawPixmap(at, screen->grabWindow(0, g.x(), g.y(), g.width(), g.height()));
        painter.setPen(kOutline);
        painter.drawRect(QRect(at, g.size()).adjusted(-1, -1, 0, 0));
        titles << "\"" + w->windowTitle() + "\"";
    }
    painter.end();
    const QString path = dir + "/" + name;
    QImageWriter writer(path, "png");
    writer.setQuality(0); // the strongest compression
    if (!writer.write(canvas)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    std::printf("%-44s %dx%d  windows: %s\n", qPrintable(path), canvas.width(), canvas.height(),
                qPrintable(titles.join(", ")));
    std::fflush(stdout);
    return true;
}

void OnNextMessageBox(std::function<void(QMessageBox*)> whileShown, bool& caught)
{
    caught = false;
    auto* poll = new QTimer(qApp);
    auto shownFor = std::make_shared<QElapsedTimer>();
    QObject::connect(poll, &QTimer::timeout, poll, [=, &caught] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (!shownFor->isValid())
            shownFor->start();
        if (shownFor->elapsed() < kMessageBoxSettleMs)
            return;
        poll->stop();
        whileShown(box);
        caught = true;
        box->button(QMessageBox::Ok)->click();
        poll->deleteLater();
    });
    poll->start(kPollMs);
}

void OnNextDialog(std::function<void(QDialog*)> whileShown, bool& caught)
{
    caught = false;
    auto* poll = new QTimer(qApp);
    auto shownFor = std::make_shared<QElapsedTimer>();
    QObject::connect(poll, &QTimer::timeout, poll, [=, &caught] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || qobject_cast<QMessageBox*>(dialog))
            return;
        if (!shownFor->isValid())
            shownFor->start();
        if (shownFor->elapsed() < kMessageBoxSettleMs)
            return;
        poll->stop();
        whileShown(dialog);
        caught = true;
        dialog->accept();
        poll->deleteLater();
    });
    poll->start(kPollMs);
}

} // namespace morvane::screenshots
