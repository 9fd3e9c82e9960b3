#pragma once

#include "state/schedule_list.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;

namespace tovrin {

// The dialog that adds or changes one recording of the schedule list
// ("排程錄製"): its address, start, repeat and days, length, folder, name
// template, parts and on/off. 確定 is refused, with the reason told, while
// the entry could not be kept (ScheduleProblem).
class ScheduleEditor : public QDialog {
    Q_OBJECT

public:
    explicit ScheduleEditor(QWidget* parent = nullptr);

    // Fills the fields with `entry`.
    void setEntry(const ScheduledRecording& entry);
    // The fields as an entry (its id as set).
    ScheduledRecording entry() const;

    void accept() override;

private:
    void chooseFolder();
    void showDays();

    int m_id = 0;
    QLineEdit* m_address = nullptr;
    QDateTimeEdit* m_start = nullptr;
    QComboBox* m_repeat = nullptr;
    std::array<QCheckBox*, 7> m_days{};
    QLineEdit* m_duration = nullptr;
    QLineEdit* m_folder = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_split = nullptr;
    QCheckBox* m_enabled = nullptr;
};

}  // namespace tovrin
