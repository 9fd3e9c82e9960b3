#include "app/schedule_editor.h"

#include "user_actions/schedule_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

QLineEdit* field(const QString& name, const QString& placeholder, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    edit->setMinimumWidth(320);
    return edit;
}

}  // namespace

ScheduleEditor::ScheduleEditor(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("ScheduleEditor", "排程錄製"));
    m_address = field(u"addressEdit"_s, u"mms://"_s, this);
    m_start = new QDateTimeEdit(this);
    m_start->setObjectName(u"startEdit"_s);
    m_start->setDisplayFormat(u"yyyy-MM-dd HH:mm:ss"_s);
    m_start->setCalendarPopup(true);
    m_repeat = new QComboBox(this);
    m_repeat->setObjectName(u"repeatBox"_s);
    m_repeat->addItems({QCoreApplication::translate("ScheduleEditor", "一次"),
                        QCoreApplication::translate("ScheduleEditor", "每天"),
                        QCoreApplication::translate("ScheduleEditor", "週一至週五"),
                        QCoreApplication::translate("ScheduleEditor", "指定星期")});
    auto* days = new QHBoxLayout;
    for (int day = 1; day <= 7; ++day) {
        m_days[day - 1] = new QCheckBox(DayName(day), this);
        m_days[day - 1]->setObjectName(u"day%1Tick"_s.arg(day));
        days->addWidget(m_days[day - 1]);
    }
    m_duration = field(u"durationEdit"_s,
                       QCoreApplication::translate("ScheduleEditor", "例: 1:00:00、90m (空白: 直到串流結束)"), this);
    m_folder = field(u"folderEdit"_s, QDir::homePath(), this);
    auto* browse = new QPushButton(QCoreApplication::translate("ScheduleEditor", "瀏覽(&B)..."), this);
    browse->setObjectName(u"browseButton"_s);
    browse->setAutoDefault(false);
    auto* folder = new QHBoxLayout;
    folder->addWidget(m_folder, 1);
    folder->addWidget(browse);
    m_name = field(u"nameEdit"_s, QCoreApplication::translate("ScheduleEditor", "空白: 串流本身的名稱"), this);
    m_name->setToolTip(QCoreApplication::translate(
        "ScheduleEditor", "%Y %m %d %H %M %S: 開始的日期與時間，%t: 串流的標題，%n: 段落編號，%%: 一個 %"));
    m_split = field(u"splitEdit"_s, QCoreApplication::translate("ScheduleEditor", "例: 30m、1h (空白: 不分段)"), this);
    m_enabled = new QCheckBox(QCoreApplication::translate("ScheduleEditor", "啟用(&E)"), this);
    m_enabled->setObjectName(u"enabledTick"_s);

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("ScheduleEditor", "串流位址(&U):"), m_address);
    form->addRow(QCoreApplication::translate("ScheduleEditor", "開始(&S):"), m_start);
    form->addRow(QCoreApplication::translate("ScheduleEditor", "重複(&R):"), m_repeat);
    form->addRow(QString(), days);
    form->addRow(QCoreApplication::translate("ScheduleEditor", "長度(&L):"), m_duration);
    // A row of two widgets takes no buddy by itself.
    auto* folderLabel = new QLabel(QCoreApplication::translate("ScheduleEditor", "資料夾(&F):"), this);
    folderLabel->setBuddy(m_folder);
    form->addRow(folderLabel, folder);
    form->addRow(QCoreApplication::translate("ScheduleEditor", "檔名範本(&N):"), m_name);
    form->addRow(QCoreApplication::translate("ScheduleEditor", "分段(&P):"), m_split);
    form->addRow(QString(), m_enabled);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(u"buttons"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_repeat, &QComboBox::currentIndexChanged, this, &ScheduleEditor::showDays);
    connect(browse, &QPushButton::clicked, this, &ScheduleEditor::chooseFolder);
    connect(buttons, &QDialogButtonBox::accepted, this, &ScheduleEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ScheduleEditor::reject);

    // A new recording starts at the first whole minute at least a minute away.
    ScheduledRecording fresh;
    const QDateTime now = QDateTime::currentDateTime();
    fresh.start = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute())).addSecs(120);
    setEntry(fresh);
}

void ScheduleEditor::setEntry(const ScheduledRecording& entry)
{
    m_id = entry.id;
    m_address->setText(entry.address);
    m_start->setDateTime(entry.start);
    m_repeat->setCurrentIndex(int(entry.repeat));
    for (int day = 0; day < 7; ++day)
        m_days[day]->setChecked(entry.days & (1u << day));
    m_duration->setText(entry.durationSeconds > 0 ? ClockText(std::uint64_t(entry.durationSeconds)) : QString());
    m_folder->setText(entry.folder);
    m_name->setText(entry.nameTemplate);
    m_split->setText(entry.splitEvery);
    m_enabled->setChecked(entry.enabled);
    showDays();
}

ScheduledRecording ScheduleEditor::entry() const
{
    ScheduledRecording entry;
    entry.id = m_id;
    entry.address = m_address->text().trimmed();
    entry.start = m_start->dateTime();
    entry.repeat = ScheduleRepeat(m_repeat->currentIndex());
    for (int day = 0; day < 7; ++day)
        if (m_days[day]->isChecked())
            entry.days |= std::uint8_t(1u << day);
    entry.durationSeconds = ParseDurationText(m_duration->text()).value_or(0);
    entry.folder = m_folder->text().trimmed();
    entry.nameTemplate = m_name->text().trimmed();
    entry.splitEvery = m_split->text().trimmed();
    entry.enabled = m_enabled->isChecked();
    return entry;
}

void ScheduleEditor::accept()
{
    QString problem = ScheduleProblem(entry(), QDateTime::currentDateTime());
    if (problem.isEmpty() && !ParseDurationText(m_duration->text()))
        problem = QCoreApplication::translate("ScheduleEditor", "長度請輸入像 1:30:00、90m 或 2h 的時間");
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    QDialog::accept();
}

void ScheduleEditor::chooseFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QCoreApplication::translate("ScheduleEditor", "錄製到資料夾"),
                                          m_folder->text().isEmpty() ? QDir::homePath() : m_folder->text());
    if (!folder.isEmpty())
        m_folder->setText(QDir::toNativeSeparators(folder));
}

void ScheduleEditor::showDays()
{
    const bool chosen = m_repeat->currentIndex() == int(ScheduleRepeat::ChosenDays);
    for (QCheckBox* day : m_days)
        day->setEnabled(chosen);
}

}  // namespace tovrin
