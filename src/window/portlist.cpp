#include "window/portlist.h"

#include "window/windowwords.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>

namespace morvane
{

namespace
{

constexpr int kFieldTextRole = Qt::UserRole;
constexpr int kMostVisibleHeight = 420;

// A list that lives as a popup: it closes on Escape as well as on a click elsewhere.
class PortListPopup : public QListWidget
{
  public:
    explicit PortListPopup(QWidget* parent) : QListWidget(parent)
    {
        setWindowFlags(Qt::Popup);
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName("PortList");
        setAlternatingRowColors(true); // an entry's lines read as one
        setTextElideMode(Qt::ElideNone);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape)
            close();
        else
            QListWidget::keyPressEvent(event);
    }
};

// The small downward chevron of a drop-down field, in the field's text colour.
QIcon ChevronIcon(const QWidget* field)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(field->palette().color(QPalette::Text), 1.6));
    QPainterPath chevron;
    chevron.moveTo(4.5, 6.5);
    chevron.lineTo(8, 10);
    chevron.lineTo(11.5, 6.5);
    painter.drawPath(chevron);
    return QIcon(pixmap);
}

// Draws the chevron again when the field's colours change, a dark desktop's for a light one.
class ChevronFollowsColours : public QObject
{
  public:
    ChevronFollowsColours(QLineEdit* field, QAction* action)
        : QObject(action), m_field(field), m_action(action)
    {
        field->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange)
            m_action->setIcon(ChevronIcon(m_field));
        return QObject::eventFilter(watched, event);
    }

  private:
    QLineEdit* m_field;
    QAction* m_action;
};

void FillList(QListWidget* list, const PortSystem& system)
{
    const std::vector<PortListEntry> entries = PortListEntries(system);
    if (entries.empty() || !entries.front().choosable) {
        auto* item = new QListWidgetItem(
            QString::fromUtf8(kNoSerialPortsFound.data(), qsizetype(kNoSerialPortsFound.size())));
        item->setFlags(Qt::ItemIsEnabled);
        list->addItem(item);
    }
    for (const PortListEntry& entry : entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(PortListEntryText(entry)));
        if (entry.choosable)
            item->setData(kFieldTextRole, QString::fromStdString(PortFieldText(entry)));
        else
            item->setFlags(Qt::NoItemFlags); // greyed, and never current
        list->addItem(item);
    }
    list->setCurrentRow(0);
}

// Below the field, as wide as its entries, and within the screen.
void PlaceUnder(QListWidget* list, QLineEdit* field)
{
    int height = 2 * list->frameWidth();
    for (int row = 0; row < list->count(); ++row)
        height += list->sizeHintForRow(row) + 2 * list->spacing();
    const int width = std::max(field->width(), list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                                                   list->verticalScrollBar()->sizeHint().width());
    QRect area(field->mapToGlobal(QPoint(0, field->height())),
               QSize(width, std::min(height, kMostVisibleHeight)));
    if (const QScreen* screen = field->screen()) {
        const QRect available = screen->availableGeometry();
        if (area.right() > available.right())
            area.moveRight(available.right());
        if (area.bottom() > available.bottom())
            area.moveBottom(field->mapToGlobal(QPoint(0, 0)).y() - 1);
    }
    list->setGeometry(area);
}

void ShowPortList(QLineEdit* field, const PortSystem& system)
{
    auto* list = new PortListPopup(field);
    FillList(list, system);
    const auto choose = [field, list](QListWidgetItem* item) {
        const QVariant text = item->data(kFieldTextRole);
        if (!text.isValid())
            return;
        field->setText(text.toString());
        list->close();
    };
    QObject::connect(list, &QListWidget::itemClicked, list, choose);
    QObject::connect(list, &QListWidget::itemActivated, list, choose);
    PlaceUnder(list, field);
    list->show();
    list->setFocus();
}

} // namespace

void AttachPortList(QLineEdit* field, std::shared_ptr<const PortSystem> system)
{
    auto* action = new QAction(ChevronIcon(field), "Serial Ports", field);
    action->setObjectName("actionPortList");
    action->setToolTip("Serial ports on this computer (Alt+Down)");
    action->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    action->setShortcutContext(Qt::WidgetShortcut);
    field->addAction(action, QLineEdit::TrailingPosition);
    new ChevronFollowsColours(field, action);
    QObject::connect(action, &QAction::triggered, field,
                     [field, system] { ShowPortList(field, *system); });
}

} // namespace morvane
