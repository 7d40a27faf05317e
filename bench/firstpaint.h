#pragma once
// The moment a window is first seen, for the start-up programs. Qt Core only, so that a program
// that loads the window's library links nothing of the window's to watch it.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace morvane::bench
{

// Once the window has painted for the first time and the event that painted it is done,
// prints "shown" and ends the event loop.
class FirstPaint : public QObject
{
  public:
    explicit FirstPaint(QObject* window) : QObject(window) { window->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, watched, [] {
                std::puts("shown");
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

  private:
    bool m_seen = false;
};

} // namespace morvane::bench
