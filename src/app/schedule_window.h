#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace tovrin {

class ScheduleRunner;

// The 排程 window: the schedule list, one row a recording (on/off, address,
// start, repeat, length, folder, name template, and its state and progress
// as its process tells them), with 新增, 編輯, 刪除, 停止錄製 and the
// limit of recordings at once. It shows the runner's list and hands it the
// user's edits; every rule is the runner's.
class ScheduleWindow : public QWidget {
    Q_OBJECT

public:
    enum Column { On, Address, Start, Repeat, Length, Folder, Name, State, Progress, ColumnCount };

    explicit ScheduleWindow(ScheduleRunner& runner, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    // The row of entry `id`, or -1.
    int rowOf(int id) const;

private:
    void showList();
    void showState(int id);
    void showNextStart();
    int selectedId() const;
    void addEntry();
    void editEntry();
    void removeEntry();

    ScheduleRunner& m_runner;
    QTableWidget* m_table = nullptr;
    QLabel* m_next = nullptr;
    QSpinBox* m_limit = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_stop = nullptr;
};

}  // namespace tovrin
