// The Connection menu: the settings dialog hands its value to the commands, the connection is
// kept between runs (and a kept one out of range is not used), and the title names the
// connection in use whenever it is not the default one.

#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/connectionsettings.h"
#include "window/frmmain.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace morvane;

Q_DECLARE_METATYPE(morvane::Connection)

namespace
{

Connection Example()
{
    Connection c;
    c.slave = 5;
    c.baud = 19200;
    c.parity = Parity::Even;
    c.stopBits = 2;
    c.timeLimitMs = 2500;
    c.retries = 2;
    return c;
}

} // namespace

class TestConnectionMenu : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void dialogHandsBackItsValue_data();
    void dialogHandsBackItsValue();
    void keptBetweenRuns();
    void keptValueOutOfRangeIsNotUsed();
    void titleNamesTheConnectionInUse_data();
    void titleNamesTheConnectionInUse();

  private:
    ConnectionSettings* OpenDialog();

    QTemporaryDir m_config;
    std::unique_ptr<FrmMain> m_window;
};

// The settings go to a folder of this test's own: other tests start with the defaults.
void TestConnectionMenu::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void TestConnectionMenu::init()
{
    QSettings("Morvane", "morvane-config").clear();
    m_window = std::make_unique<FrmMain>();
}

void TestConnectionMenu::cleanup()
{
    m_window.reset();
}

ConnectionSettings* TestConnectionMenu::OpenDialog()
{
    m_window->findChild<QAction*>("actionConnectionSettings")->trigger();
    return m_window->findChild<ConnectionSettings*>("ConnectionSettings");
}

void TestConnectionMenu::dialogHandsBackItsValue_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Connection>("after");
    QTest::newRow("OK") << "OK" << Example();
    QTest::newRow("Cancel") << "Cancel" << Connection{};
    QTest::newRow("Restore Defaults, then OK") << "Restore Defaults" << Connection{};
}

void TestConnectionMenu::dialogHandsBackItsValue()
{
    QFETCH(QString, button);
    QFETCH(Connection, after);
    ConnectionSettings* dialog = OpenDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->Value(), Connection{});
    QCOMPARE(dialog->findChild<QLabel*>("defaultsLine")->text(),
             "Defaults: slave 1, 9600 baud, 8 data bits, no parity, 1 stop bit, 20 s, no "
             "retries.");
    dialog->findChild<QSpinBox*>("slaveAddress")->setValue(5);
    dialog->findChild<QComboBox*>("baudRate")->setCurrentText("19200");
    dialog->findChild<QComboBox*>("parity")->setCurrentText("Even");
    dialog->findChild<QComboBox*>("stopBits")->setCurrentText("2");
    dialog->findChild<QDoubleSpinBox*>("timeLimit")->setValue(2.5);
    dialog->findChild<QSpinBox*>("retries")->setValue(2);
    QCOMPARE(dialog->Value(), Example());

    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttons");
    for (QAbstractButton* b : buttons->buttons())
        if (b->text().remove('&') == button)
            b->click();
    if (button == "Restore Defaults")
        buttons->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(m_window->Commands().Settings(), after);
    QCOMPARE(m_window->Connections().Current(), after);
}

void TestConnectionMenu::keptBetweenRuns()
{
    m_window->Connections().Use(Example());
    m_window = std::make_unique<FrmMain>();
    QCOMPARE(m_window->Commands().Settings(), Example());
    QCOMPARE(m_window->windowTitle(),
             "Morvane Config - slave 5, 19200 8E2, waiting 2.5 s, 2 retries, at port 1");

    m_window->findChild<QAction*>("actionRestoreConnection")->trigger();
    QCOMPARE(m_window->windowTitle(), "Morvane Config");
    m_window = std::make_unique<FrmMain>();
    QCOMPARE(m_window->Commands().Settings(), Connection{});
}

// A file edited by hand or left by another version must not send anything odd to a unit.
void TestConnectionMenu::keptValueOutOfRangeIsNotUsed()
{
    m_window->Connections().Use(Example());
    for (const auto& [key, value] :
         {std::pair{"slave", "248"}, {"baud", "9601"}, {"timeLimitMs", "99"}, {"retries", "x"}}) {
        QSettings settings("Morvane", "morvane-config");
        settings.setValue(QString("connection/") + key, value);
        QCOMPARE(KeptConnection(), Connection{});
        KeepConnection(Example());
    }
}

void TestConnectionMenu::titleNamesTheConnectionInUse_data()
{
    QTest::addColumn<Connection>("connection");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("title");
    Connection slave5;
    slave5.slave = 5;
    slave5.baud = 19200;
    slave5.parity = Parity::Even;
    QTest::newRow("defaults, any port") << Connection{} << "tcp://10.0.0.7"
                                        << "Morvane Config";
    QTest::newRow("device server") << slave5 << "rtu+tcp://10.0.0.7:4001"
                                   << "Morvane Config - slave 5, 19200 8E1, at "
                                      "rtu+tcp://10.0.0.7:4001";
    QTest::newRow("gateway on its default port") << slave5 << " tcp://10.0.0.7 "
                                                 << "Morvane Config - slave 5, 19200 8E1, at "
                                                    "tcp://10.0.0.7:502";
    QTest::newRow("device path") << slave5 << "/dev/ttyUSB0"
                                 << "Morvane Config - slave 5, 19200 8E1, at /dev/ttyUSB0";
    Connection patient;
    patient.timeLimitMs = 60000;
    QTest::newRow("only the time limit differs")
        << patient << "3"
        << "Morvane Config - slave 1, 9600 8N1, waiting 60 s, at port 3";
}

void TestConnectionMenu::titleNamesTheConnectionInUse()
{
    QFETCH(Connection, connection);
    QFETCH(QString, port);
    QFETCH(QString, title);
    m_window->Connections().Use(connection);
    m_window->txtCom(0)->setText(port);
    QCOMPARE(m_window->windowTitle(), title);
}

QTEST_MAIN(TestConnectionMenu)
#include "tst_connectionmenu.moc"
