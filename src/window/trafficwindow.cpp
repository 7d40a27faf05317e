#include "window/trafficwindow.h"

#include "files/wholefile.h"
#include "window/windowwords.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>

namespace morvane
{

namespace
{

QString ToQString(const std::string& text)
{
    return QString::fromStdString(text);
}

QPushButton* AddButton(QBoxLayout* row, const QString& text, const char* name)
{
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

void TrafficModel::Append(TrafficRow row)
{
    if (m_rows.size() >= std::size_t(kRowLimit)) {
        beginRemoveRows({}, 0, 0);
        m_rows.pop_front();
        endRemoveRows();
    }
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void TrafficModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString TrafficModel::Text() const
{
    QString text;
    for (const TrafficRow& row : m_rows)
        text += ToQString(TrafficLineText(row)) + '\n';
    return text;
}

int TrafficModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TrafficRow& row = m_rows[std::size_t(index.row())];
    const std::string* texts[kColumnCount] = {&row.time, &row.direction, &row.bytes, &row.meaning};
    switch (role) {
    case Qt::DisplayRole:
        return ToQString(*texts[index.column()]);
    case Qt::ToolTipRole: // the bytes of a long frame do not fit their column
        return index.column() == kBytes ? QVariant(ToQString(row.bytes)) : QVariant();
    case Qt::FontRole: {
        static const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (index.column() == kTime || index.column() == kBytes)
            return fixed;
        QFont font;
        font.setBold(row.direction.empty()); // a command's end stands out among the frames
        return font;
    }
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[kColumnCount] = {"Time", "Direction", "Bytes", "Meaning"};
    return section >= 0 && section < kColumnCount ? QString(kTitles[section]) : QVariant();
}

TrafficWindow::TrafficWindow(TrafficModel& model, CommandView& report, QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(model), m_report(report)
{
    setObjectName("LineTraffic");
    setWindowTitle("Line Traffic");
    setFont(QApplication::font()); // not the main window's small condensed face
    BuildView();

    auto* buttons = new QHBoxLayout;
    connect(AddButton(buttons, "&Copy", "TrafficCopy"), &QPushButton::clicked, this,
            [this] { CopyAll(); });
    connect(AddButton(buttons, "Save &As...", "TrafficSaveAs"), &QPushButton::clicked, this,
            [this] { SaveAs(); });
    connect(AddButton(buttons, "C&lear", "TrafficClear"), &QPushButton::clicked, this,
            [this] { m_model.Clear(); });
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(1040, 320);
}

void TrafficWindow::BuildView()
{
    m_view = new QTableView;
    m_view->setObjectName("TrafficRows");
    m_view->setModel(&m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    m_view->setShowGrid(false);
    m_view->setFocusPolicy(Qt::ClickFocus); // opened, it shows no cell picked out
    m_view->verticalHeader()->hide();
    // Fixed heights and widths: a view that measured 5,000 rows on every new one would lag.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    const QFontMetrics fixed(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QHeaderView* header = m_view->horizontalHeader();
    header->setStretchLastSection(true);
    header->resizeSection(TrafficModel::kTime, fixed.horizontalAdvance("00:00:00.000") + 16);
    header->resizeSection(TrafficModel::kDirection,
                          fontMetrics().horizontalAdvance("received") + 24);
    // A read's answer, 23 bytes, fits whole; a longer frame shows whole in its tooltip.
    header->resizeSection(TrafficModel::kBytes, fixed.horizontalAdvance(QString(23 * 3, 'F')) + 8);

    // Newest at the bottom, and kept in view unless the technician has scrolled up to read.
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this] { m_following = AtBottom(); });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_following)
            m_view->scrollToBottom();
    });
}

bool TrafficWindow::AtBottom() const
{
    const QScrollBar* bar = m_view->verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void TrafficWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_view->scrollToBottom();
}

void TrafficWindow::CopyAll()
{
    QApplication::clipboard()->setText(m_model.Text());
}

void TrafficWindow::SaveAs()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(this, "Save Line Traffic",
                                                      QDir(folder).filePath("line-traffic.txt"),
                                                      "Text files (*.txt);;All files (*)");
    if (!path.isEmpty())
        SaveFile(path);
}

bool TrafficWindow::SaveFile(const QString& path)
{
    QByteArray text = m_model.Text().toUtf8();
#ifdef _WIN32
    text.replace("\n", "\r\n"); // the line ends Windows' own editors expect
#endif
    const std::optional<SaveFailure> failure = SaveWholeFile(path, text);
    if (!failure)
        return true;
    m_report.ShowMessage(
        kErrorTitle,
        TrafficSaveFailureText(QDir::toNativeSeparators(path).toStdString(), failure->reason));
    m_report.SetStatus(status::kError);
    return false;
}

} // namespace morvane
