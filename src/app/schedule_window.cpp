#include "app/schedule_window.h"

#include "app/schedule_editor.h"
#include "user_actions/schedule_runner.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

QPushButton* button(const QString& name, const QString& text, QWidget* parent)
{
    auto* made = new QPushButton(text, parent);
    made->setObjectName(name);
    made->setAutoDefault(false);
    return made;
}

}  // namespace

ScheduleWindow::ScheduleWindow(ScheduleRunner& runner, QWidget* parent) : QWidget(parent, Qt::Window), m_runner(runner)
{
    setObjectName(u"scheduleWindow"_s);
    setWindowTitle(QCoreApplication::translate("ScheduleWindow", "排程"));
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(u"scheduleTable"_s);
    m_table->setHorizontalHeaderLabels(
        {QCoreApplication::translate("ScheduleWindow", "啟用"),
         QCoreApplication::translate("ScheduleWindow", "串流位址"),
         QCoreApplication::translate("ScheduleWindow", "開始"), QCoreApplication::translate("ScheduleWindow", "重複"),
         QCoreApplication::translate("ScheduleWindow", "長度"), QCoreApplication::translate("ScheduleWindow", "資料夾"),
         QCoreApplication::translate("ScheduleWindow", "檔名範本"),
         QCoreApplication::translate("ScheduleWindow", "狀態"), QCoreApplication::translate("ScheduleWindow", "進度")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* add = button(u"addButton"_s, QCoreApplication::translate("ScheduleWindow", "新增(&N)..."), this);
    m_edit = button(u"editButton"_s, QCoreApplication::translate("ScheduleWindow", "編輯(&E)..."), this);
    m_remove = button(u"removeButton"_s, QCoreApplication::translate("ScheduleWindow", "刪除(&D)"), this);
    m_stop = button(u"stopButton"_s, QCoreApplication::translate("ScheduleWindow", "停止錄製(&S)"), this);
    auto* close = button(u"closeButton"_s, QCoreApplication::translate("ScheduleWindow", "關閉(&C)"), this);
    m_limit = new QSpinBox(this);
    m_limit->setObjectName(u"limitBox"_s);
    m_limit->setRange(1, kMaxScheduleLimit);
    m_limit->setValue(runner.limit());
    m_limit->setToolTip(
        QCoreApplication::translate("ScheduleWindow", "同時進行的排程錄製最多幾個；其餘的等候，直到有一個結束"));
    auto* limitLabel = new QLabel(QCoreApplication::translate("ScheduleWindow", "同時錄製上限(&M):"), this);
    limitLabel->setBuddy(m_limit);
    m_next = new QLabel(this);
    m_next->setObjectName(u"nextStartLabel"_s);

    auto* buttons = new QHBoxLayout;
    for (QWidget* widget : {static_cast<QWidget*>(add), static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_remove),
                            static_cast<QWidget*>(m_stop)})
        buttons->addWidget(widget);
    buttons->addStretch();
    buttons->addWidget(limitLabel);
    buttons->addWidget(m_limit);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_next, 1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(1000, 320);

    connect(add, &QPushButton::clicked, this, &ScheduleWindow::addEntry);
    connect(m_edit, &QPushButton::clicked, this, &ScheduleWindow::editEntry);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &ScheduleWindow::editEntry);
    connect(m_remove, &QPushButton::clicked, this, &ScheduleWindow::removeEntry);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_runner.stop(selectedId()); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_limit, &QSpinBox::valueChanged, &m_runner, &ScheduleRunner::setLimit);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] { showState(selectedId()); });
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == On)
            m_runner.setEnabled(item->data(Qt::UserRole).toInt(), item->checkState() == Qt::Checked);
    });
    connect(&runner, &ScheduleRunner::listChanged, this, &ScheduleWindow::showList);
    connect(&runner, &ScheduleRunner::viewChanged, this, &ScheduleWindow::showState);
    showList();
}

void ScheduleWindow::showList()
{
    const int selected = selectedId();
    const QSignalBlocker quiet(m_table);
    m_table->setRowCount(0);
    for (const ScheduledRecording& entry : m_runner.list()) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        const QStringList texts{
            QString(),    entry.address,      StartText(entry), RepeatText(entry), DurationText(entry.durationSeconds),
            entry.folder, entry.nameTemplate, QString(),        QString()};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts.at(column));
            item->setData(Qt::UserRole, entry.id);
            item->setToolTip(texts.at(column));
            m_table->setItem(row, column, item);
        }
        QTableWidgetItem* on = m_table->item(row, On);
        on->setFlags(on->flags() | Qt::ItemIsUserCheckable);
        on->setCheckState(entry.enabled ? Qt::Checked : Qt::Unchecked);
        on->setToolTip(QString());
        showState(entry.id);
        if (entry.id == selected)
            m_table->selectRow(row);
    }
    m_table->resizeColumnsToContents();
    showState(selectedId());
}

void ScheduleWindow::showState(int id)
{
    if (const int row = rowOf(id); row >= 0) {
        const QSignalBlocker quiet(m_table);
        const ScheduledRunView shown = m_runner.view(id);
        m_table->item(row, State)->setText(StateText(shown, m_runner.limit()));
        m_table->item(row, State)->setToolTip(shown.reason);
        m_table->item(row, Progress)->setText(ProgressText(shown));
        m_table->item(row, Progress)->setToolTip(shown.files.join(u'\n'));
    }
    const int selected = selectedId();
    m_edit->setEnabled(selected > 0);
    m_remove->setEnabled(selected > 0);
    m_stop->setEnabled(m_runner.isRecording(selected));
    showNextStart();
}

void ScheduleWindow::showNextStart()
{
    const std::optional<QDateTime> next = m_runner.nextStart();
    const int going = m_runner.recordingCount();
    QString text = next ? QCoreApplication::translate("ScheduleWindow", "下一個排程錄製: %1")
                              .arg(next->toString(u"yyyy-MM-dd HH:mm:ss"_s))
                        : QCoreApplication::translate("ScheduleWindow", "沒有等候中的排程錄製");
    if (going > 0)
        text += QCoreApplication::translate("ScheduleWindow", "；%1 個錄製中").arg(going);
    m_next->setText(text);
}

int ScheduleWindow::rowOf(int id) const
{
    for (int row = 0; row < m_table->rowCount(); ++row)
        if (m_table->item(row, On)->data(Qt::UserRole).toInt() == id)
            return row;
    return -1;
}

int ScheduleWindow::selectedId() const
{
    const QList<QTableWidgetItem*> items = m_table->selectedItems();
    return items.isEmpty() ? 0 : items.first()->data(Qt::UserRole).toInt();
}

void ScheduleWindow::addEntry()
{
    ScheduleEditor editor(this);
    if (editor.exec() == QDialog::Accepted)
        m_table->selectRow(rowOf(m_runner.add(editor.entry())));
}

void ScheduleWindow::editEntry()
{
    const ScheduledRecording* entry = m_runner.entry(selectedId());
    if (!entry)
        return;
    ScheduleEditor editor(this);
    editor.setEntry(*entry);
    if (editor.exec() == QDialog::Accepted)
        m_runner.replace(editor.entry());
}

void ScheduleWindow::removeEntry()
{
    const ScheduledRecording* entry = m_runner.entry(selectedId());
    if (!entry)
        return;
    QString question = QCoreApplication::translate("ScheduleWindow", "要刪除 %1 的排程錄製嗎？").arg(entry->address);
    if (m_runner.isRecording(entry->id))
        question += u'\n' + QCoreApplication::translate("ScheduleWindow", "進行中的錄製會停止並儲存。");
    if (QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes)
        m_runner.remove(entry->id);
}

}  // namespace tovrin
