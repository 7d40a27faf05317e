// How the window looks on different desktops: exactly as drawn with the default font and
// colours, legible on a dark desktop, and grown without cutting a text with a large font.
// The legibility is measured on the rendered window, the way a reader's eye meets it.

#include "windowprobe.h"

#include "dialogs/quietoffscreen.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QtTest>

#include <cmath>
#include <map>

using namespace morvane;
using namespace morvane::test;

namespace
{

struct Scene {
    const char* name;
    int mode; // 0: the window as it opens
};
const Scene kScenes[] = {{"design", 0}, {"digital-up-timer", 9}, {"serial-modbus-signed-long", 11}};

void ShowScene(FrmMain& window, int mode)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (mode > 0) {
        window.Option1(Expected(mode).type)->click();
        window.Option2(mode)->click();
    }
    QApplication::processEvents();
}

// A dark desktop of the common kind: light text on dark grey, and disabled text that a
// desktop draws barely above its background (2:1).
QPalette DarkDesktop()
{
    const QColor window(0x2b, 0x2b, 0x2b), text(0xf0, 0xf0, 0xf0), dim(0x5a, 0x5a, 0x5a);
    QPalette p(text, QColor(0x35, 0x35, 0x35), QColor(0x50, 0x50, 0x50), QColor(0x1a, 0x1a, 0x1a),
               QColor(0x30, 0x30, 0x30), text, Qt::white, QColor(0x1e, 0x1e, 0x1e), window);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dim);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    return p;
}

double Luminance(const QColor& c)
{
    const auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text in `area` of the picture: its commonest colour is the background,
// and the glyphs' strongest pixel against it is the text.
double TextContrast(const QImage& picture, const QRect& area)
{
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[picture.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (const auto& [rgb, count] : counts)
        if (count > most)
            std::tie(background, most) = std::tie(rgb, count);
    double strongest = 1;
    for (const auto& entry : counts)
        strongest = std::max(strongest, Contrast(QColor(entry.first), QColor(background)));
    return strongest;
}

// Where each widget's text is drawn, in window coordinates: a field inside its frame, an
// option beside its indicator.
QRect TextArea(const FrmMain& window, QWidget* w)
{
    QRect area = w->rect();
    if (auto* option = qobject_cast<QRadioButton*>(w)) {
        QStyleOptionButton style;
        style.initFrom(option);
        area = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
    } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w)) {
        area.adjust(3, 3, -3, -3);
    }
    return QRect(w->mapTo(&window, area.topLeft()), area.size());
}

QList<QWidget*> TextWidgets(const FrmMain& window)
{
    QList<QWidget*> shown;
    for (QWidget* w : window.ClientArea()->findChildren<QWidget*>()) {
        const bool hasText = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QLineEdit*>(w);
        if (hasText && w->isVisible())
            shown << w;
    }
    return shown;
}

QString Describe(const QWidget* w, double contrast)
{
    return QString("%1%2: %3:1")
        .arg(w->objectName(), w->isEnabled() ? "" : " (disabled)")
        .arg(contrast, 0, 'f', 2);
}

} // namespace

class TestFrmMainLooks : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase() { QuietOffscreenNotices(); }
    void cleanup();

    void defaultDesktopLooksAsDrawn_data();
    void defaultDesktopLooksAsDrawn();
    void mnemonicsShowWhileAltIsHeld();
    void darkDesktopStaysLegible_data();
    void darkDesktopStaysLegible();
    void largeFontCutsNothing_data();
    void largeFontCutsNothing();
};

void TestFrmMainLooks::cleanup()
{
    QApplication::setPalette(QPalette());
    QApplication::setFont(QFont());
}

void TestFrmMainLooks::defaultDesktopLooksAsDrawn_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("reference");
    for (const Scene& scene : kScenes)
        QTest::newRow(scene.name) << scene.mode
                                  << QString(MORVANE_TEST_DATA "/frmmain-%1.png").arg(scene.name);
}

// Pixel for pixel as the design area was drawn before the window learnt other desktops. The
// menu bar above it gains menus as the program learns more; the design test names them.
void TestFrmMainLooks::defaultDesktopLooksAsDrawn()
{
    QFETCH(int, mode);
    QFETCH(QString, reference);
    FrmMain window;
    ShowScene(window, mode);
    const QRect design = window.ClientArea()->geometry();
    const QImage shown = window.grab(design).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage drawn(reference);
    QVERIFY2(!drawn.isNull(), qPrintable("no picture " + reference));
    // The pictures hold the menu bar too, above the design area.
    const QImage expected =
        drawn.copy(0, drawn.height() - design.height(), design.width(), design.height());
    if (shown != expected.convertToFormat(QImage::Format_RGB32)) {
        const QString saved = QDir::temp().filePath(QFileInfo(reference).fileName());
        shown.save(saved);
        QFAIL(qPrintable("the window differs from " + reference + "; it looks as in " + saved));
    }
}

// The underline of Alt+R and Alt+W shows only while Alt is down, so the window at rest is
// the one drawn.
void TestFrmMainLooks::mnemonicsShowWhileAltIsHeld()
{
    FrmMain window;
    ShowScene(window, 0);
    QPushButton* read = window.Command1();
    const QImage atRest = read->grab().toImage();
    QTest::keyPress(window.Text1(0), Qt::Key_Alt, Qt::AltModifier);
    QVERIFY(read->grab().toImage() != atRest);
    QTest::keyRelease(window.Text1(0), Qt::Key_Alt);
    QCOMPARE(read->grab().toImage(), atRest);
    QCOMPARE(read->text(), QString("Read From Controller"));
    QCOMPARE(read->shortcut(), QKeySequence("Alt+R"));
    QCOMPARE(window.Command2()->shortcut(), QKeySequence("Alt+W"));
}

void TestFrmMainLooks::darkDesktopStaysLegible_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("darkFromTheStart"); // or made dark while the window is open
    for (const Scene& scene : kScenes) {
        QTest::addRow("%s, dark at start", scene.name) << scene.mode << true;
        QTest::addRow("%s, dark later", scene.name) << scene.mode << false;
    }
}

void TestFrmMainLooks::darkDesktopStaysLegible()
{
    QFETCH(int, mode);
    QFETCH(bool, darkFromTheStart);
    if (darkFromTheStart)
        QApplication::setPalette(DarkDesktop());
    FrmMain window;
    ShowScene(window, mode);
    if (!darkFromTheStart)
        QApplication::setPalette(DarkDesktop());
    QApplication::processEvents();
    const QImage picture = window.grab().toImage();

    QStringList illegible;
    for (QWidget* w : TextWidgets(window)) {
        const double contrast = TextContrast(picture, TextArea(window, w));
        if (contrast < 4.5)
            illegible << Describe(w, contrast);
    }
    QVERIFY2(illegible.isEmpty(), qPrintable(illegible.join(", ")));

    // A live row stands out more than a greyed-out one.
    const auto contrastOf = [&](QWidget* w) { return TextContrast(picture, TextArea(window, w)); };
    QCOMPARE(window.Label5(6)->isEnabled(), false);
    for (auto row : {window.Label5(6), window.Label6(6)})
        QVERIFY2(contrastOf(window.Label5(5)) > contrastOf(row), qPrintable(row->objectName()));
    QVERIFY(contrastOf(window.Text1(5)) > contrastOf(window.Text1(6)));
}

void TestFrmMainLooks::largeFontCutsNothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("points");
    for (double points : {10.5, 14.0, 20.0})
        for (int m = 1; m <= 11; ++m)
            QTest::addRow("%g pt, mode %d", points, m) << m << points;
}

// A desktop font of 14 points makes the window's texts and layout 14/9 as large as drawn.
void TestFrmMainLooks::largeFontCutsNothing()
{
    QFETCH(int, mode);
    QFETCH(double, points);
    QFont large = QApplication::font();
    large.setPointSizeF(points);
    QApplication::setFont(large);
    FrmMain window;
    ShowScene(window, mode);
    const double scale = points / 9.0;
    QCOMPARE(window.ClientArea()->size(), QSize(int(5550 * scale / 15), int(5865 * scale / 15)));
    QCOMPARE(window.Text1(0)->font().pointSizeF(), 7.5 * scale);
    QCOMPARE(window.Label3()->font().pointSizeF(), 14.25 * scale);

    QStringList cut;
    for (QWidget* w : TextWidgets(window)) {
        QString text;
        QRect room = w->contentsRect();
        int flags = Qt::TextSingleLine;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            room.adjust(std::max(label->indent(), 0), 0, 0, 0);
        } else if (auto* option = qobject_cast<QRadioButton*>(w)) {
            text = option->text();
            room = TextArea(window, w).translated(-w->mapTo(&window, QPoint(0, 0)));
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            text = button->text();
            room.adjust(2, 2, -2, -2);
            flags = Qt::AlignCenter | Qt::TextWordWrap;
        } else {
            continue; // a field scrolls its text
        }
        const QRect needed = w->fontMetrics().boundingRect(room, flags, text);
        if (needed.width() > room.width() || needed.height() > room.height())
            cut << QString("%1 \"%2\" needs %3x%4 in %5x%6")
                       .arg(w->objectName(), text)
                       .arg(needed.width())
                       .arg(needed.height())
                       .arg(room.width())
                       .arg(room.height());
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("\n")));
}

QTEST_MAIN(TestFrmMainLooks)
#include "tst_frmmain_looks.moc"
