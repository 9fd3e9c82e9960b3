#include "app/main_window.h"

#include "app/about_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace tovrin {

namespace {

constexpr int kRunPanelWidth = 300;  // the gauge, the log and the time fields

QLabel* makeModeLabel(const QString& name, const QString& text, const QString& style)
{
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    label->setStyleSheet(style);
    return label;
}

QLineEdit* timeField(const QString& name)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setToolTip(QCoreApplication::translate("MainWindow", "時間格式 hh.mm.ss"));
    return field;
}

}  // namespace

QString MainWindow::fixedCaption()
{
    return QCoreApplication::translate("MainWindow", "Tovrin Multimedia 中文版 by Orvak");
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
    buildMenus();
    buildToolBar();
    yieldSharedAccessKeysToMenus();

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildRunPanel(), 1);
    layout->addWidget(buildLocationPanel());
    setCentralWidget(central);

    // A permanent part of the status bar: a temporary message would be
    // replaced by the (empty) tip of any menu item the pointer passes over.
    m_helpLine = new QLabel(QCoreApplication::translate("MainWindow", " 詳細說明請拜訪: ") + HomePage());
    m_helpLine->setObjectName(QStringLiteral("helpLine"));
    statusBar()->addPermanentWidget(m_helpLine, 1);
    setMinimumSize(346, 463);
    setStatusCaption(m_statusCaption);
    setRunActive(false);
    setModeLabel(ModeLabel::Standby);
    // The address is what a user types first.
    m_url->setFocus();
}

void MainWindow::buildMenus()
{
    auto add = [this](QMenu* menu, const QString& name, const QString& text, void (MainWindow::*signal)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, signal);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "檔案(&F)"));
    file->setObjectName(QStringLiteral("fileMenu"));
    add(file, QStringLiteral("openAction"), QCoreApplication::translate("MainWindow", "開啟(&O)..."),
        &MainWindow::openRequested);
    file->addSeparator();
    add(file, QStringLiteral("saveLogAction"), QCoreApplication::translate("MainWindow", "儲存記錄(&S)"),
        &MainWindow::saveLogRequested);
    file->addSeparator();
    add(file, QStringLiteral("printLogAction"), QCoreApplication::translate("MainWindow", "列印記錄(&P)"),
        &MainWindow::printLogRequested);
    add(file, QStringLiteral("printSetupAction"), QCoreApplication::translate("MainWindow", "設定印表機(&R)..."),
        &MainWindow::printerSetupRequested);
    file->addSeparator();
    add(file, QStringLiteral("exitAction"), QCoreApplication::translate("MainWindow", "離開(&X)"),
        &MainWindow::exitRequested);

    QMenu* setup = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "設定(&S)"));
    setup->setObjectName(QStringLiteral("setupMenu"));
    add(setup, QStringLiteral("viewSetupAction"), QCoreApplication::translate("MainWindow", "檢視設定(&V)"),
        &MainWindow::settingsRequested);
    add(setup, QStringLiteral("scheduleAction"), QCoreApplication::translate("MainWindow", "排程(&C)..."),
        &MainWindow::scheduleRequested);

    QMenu* info = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "資訊(&I)"));
    info->setObjectName(QStringLiteral("informationMenu"));
    add(info, QStringLiteral("filePropertiesAction"), QCoreApplication::translate("MainWindow", "顯示檔案性質(&S)"),
        &MainWindow::filePropertiesRequested);

    QMenu* preview = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "預覽(&P)"));
    preview->setObjectName(QStringLiteral("previewMenu"));
    add(preview, QStringLiteral("openMonitorAction"), QCoreApplication::translate("MainWindow", "開啟顯示(&O)"),
        &MainWindow::previewRequested);
    add(preview, QStringLiteral("aboutMonitorAction"),
        QCoreApplication::translate("MainWindow", "關於 Tovrin monitor(&A)"), &MainWindow::previewAboutRequested);

    QMenu* help = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "說明(&H)"));
    help->setObjectName(QStringLiteral("helpMenu"));
    add(help, QStringLiteral("aboutAction"), QCoreApplication::translate("MainWindow", "關於(&A)..."),
        &MainWindow::aboutRequested);
    add(help, QStringLiteral("moreHelpAction"), QCoreApplication::translate("MainWindow", "更多說明(&M)"),
        &MainWindow::helpRequested);
}

QToolButton* MainWindow::addToolButton(const QString& objectName, const QString& text, int icon,
                                       void (MainWindow::*signal)())
{
    // Buttons rather than actions: a tool bar action drops the access key
    // ("執行(&G)" must answer Alt+G like the button it stands for).
    auto* button = new QToolButton;
    button->setObjectName(objectName);
    button->setText(text);
    button->setIcon(style()->standardIcon(QStyle::StandardPixmap(icon)));
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    // Seven buttons share the window's 346-pixel design width: a slightly
    // smaller caption keeps each whole.
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QFont compact = button->font();
    compact.setPixelSize(10);
    button->setFont(compact);
    connect(button, &QToolButton::clicked, this, signal);
    m_toolButtons->layout()->addWidget(button);
    return button;
}

void MainWindow::buildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Tovrin"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    // One row that is never folded into an overflow menu: a folded button
    // would not answer its access key.
    m_toolButtons = new QWidget;
    auto* row = new QHBoxLayout(m_toolButtons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_toolBar->addWidget(m_toolButtons);
    addToolButton(QStringLiteral("openButton"), QCoreApplication::translate("MainWindow", "開啟(&O)"),
                  QStyle::SP_DialogOpenButton, &MainWindow::openRequested);
    m_connect = addToolButton(QStringLiteral("connectButton"), QCoreApplication::translate("MainWindow", "執行(&G)"),
                              QStyle::SP_MediaPlay, &MainWindow::connectRequested);
    m_disconnect =
        addToolButton(QStringLiteral("disconnectButton"), QCoreApplication::translate("MainWindow", "放棄(&A)"),
                      QStyle::SP_MediaStop, &MainWindow::disconnectRequested);
    addToolButton(QStringLiteral("informationButton"), QCoreApplication::translate("MainWindow", "資訊(&I)"),
                  QStyle::SP_MessageBoxInformation, &MainWindow::filePropertiesRequested);
    addToolButton(QStringLiteral("previewButton"), QCoreApplication::translate("MainWindow", "預覽(&P)"),
                  QStyle::SP_ComputerIcon, &MainWindow::previewRequested);
    addToolButton(QStringLiteral("settingsButton"), QCoreApplication::translate("MainWindow", "設定(&S)"),
                  QStyle::SP_FileDialogDetailedView, &MainWindow::settingsRequested);
    addToolButton(QStringLiteral("exitButton"), QCoreApplication::translate("MainWindow", "離開(&E)"),
                  QStyle::SP_DialogCloseButton, &MainWindow::exitRequested);
}

void MainWindow::yieldSharedAccessKeysToMenus()
{
    // 資訊, 預覽 and 設定 name both a menu and a tool button with the same
    // access key. Two owners of one key make Qt do neither, so the menu keeps
    // it, as on any desktop; the button keeps its underline and its click.
    QList<QKeySequence> menuKeys;
    for (QAction* menu : menuBar()->actions())
        menuKeys << QKeySequence::mnemonic(menu->text());
    for (QToolButton* button : m_toolButtons->findChildren<QToolButton*>())
        if (menuKeys.contains(QKeySequence::mnemonic(button->text())))
            button->setShortcut(QKeySequence());
}

QWidget* MainWindow::buildRunPanel()
{
    auto* panel = new QWidget;
    panel->setMaximumWidth(kRunPanelWidth);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    m_gauge = new QProgressBar;
    m_gauge->setObjectName(QStringLiteral("gauge"));
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setTextVisible(false);
    m_gauge->setToolTip(QCoreApplication::translate("MainWindow", "已完成下載百分比"));
    layout->addWidget(m_gauge);

    m_log = new QPlainTextEdit;
    m_log->setObjectName(QStringLiteral("logWindow"));
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The view keeps as many lines as the log keeps of a run's latest: the
    // oldest go first.
    m_log->setMaximumBlockCount(int(KeptLog::kLatestKept));
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->setToolTip(QCoreApplication::translate("MainWindow", "連接資料記錄"));
    layout->addWidget(m_log, 1);

    auto* times = new QGridLayout;
    m_sendTime = timeField(QStringLiteral("sendTime"));
    m_timeLeft = timeField(QStringLiteral("timeLeft"));
    times->addWidget(new QLabel(QCoreApplication::translate("MainWindow", "時間:")), 0, 0);
    times->addWidget(m_sendTime, 0, 1);
    times->addWidget(new QLabel(QCoreApplication::translate("MainWindow", "剩餘:")), 0, 2);
    times->addWidget(m_timeLeft, 0, 3);
    layout->addLayout(times);

    // The three mode labels share one place; exactly one is visible.
    auto* modes = new QGridLayout;
    m_standby =
        makeModeLabel(QStringLiteral("standbyLabel"), QCoreApplication::translate("MainWindow", "使用備份"), QString());
    m_live = makeModeLabel(QStringLiteral("liveLabel"), QCoreApplication::translate("MainWindow", "連線期間下載記錄"),
                           QStringLiteral("color: white; background-color: red;"));
    m_preRec = makeModeLabel(QStringLiteral("preRecLabel"),
                             QCoreApplication::translate("MainWindow", "預先下載連線期間的媒介"),
                             QStringLiteral("color: black; background-color: lime;"));
    for (QLabel* label : {m_standby, m_live, m_preRec})
        modes->addWidget(label, 0, 0);
    layout->addLayout(modes);
    return panel;
}

QWidget* MainWindow::buildLocationPanel()
{
    auto* panel = new QWidget;
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setColumnStretch(1, 1);

    m_mediaWindow = new QLabel;
    m_mediaWindow->setObjectName(QStringLiteral("mediaWindow"));
    m_mediaWindow->setToolTip(QCoreApplication::translate("MainWindow", "開啟一般媒介"));
    m_saveWindow = new QLabel;
    m_saveWindow->setObjectName(QStringLiteral("saveWindow"));
    m_saveWindow->setToolTip(QCoreApplication::translate("MainWindow", "儲存檔案目錄與檔案名稱"));
    for (QLabel* label : {m_mediaWindow, m_saveWindow}) {
        label->setFrameShape(QFrame::StyledPanel);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    m_url = new QComboBox;
    m_url->setObjectName(QStringLiteral("urlBox"));
    m_url->setEditable(true);
    m_url->setInsertPolicy(QComboBox::NoInsert);
    // What the user types is what is recorded: no inline completion to a
    // longer address from the list.
    m_url->setCompleter(nullptr);
    m_url->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_url->setMinimumContentsLength(10);
    m_url->setToolTip(
        QCoreApplication::translate("MainWindow", "請使用「檔案」->「開啟」其他路徑，將「MMS://」網址拉下到這裡"));

    layout->addWidget(new QLabel(QCoreApplication::translate("MainWindow", "開啟:")), 0, 0);
    layout->addWidget(m_mediaWindow, 0, 1);
    layout->addWidget(new QLabel(QCoreApplication::translate("MainWindow", "儲存到:")), 1, 0);
    layout->addWidget(m_saveWindow, 1, 1);
    layout->addWidget(new QLabel(QCoreApplication::translate("MainWindow", "網址:")), 2, 0);
    layout->addWidget(m_url, 2, 1);
    return panel;
}

void MainWindow::appendLogLine(const QString& line)
{
    m_logLines.append(line);
    // The view shows each line as one line: a line break inside it (a CR of
    // a log saved with CR LF endings) is shown as a visible mark instead.
    QString shown = line;
    for (const QChar breaking :
         {QChar(u'\r'), QChar(u'\n'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        shown.replace(breaking, QChar(u'\u240D'));
    // Appended through a cursor: the view's own append folds an empty first
    // line into the next one.
    QScrollBar* scroll = m_log->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    if (!std::exchange(m_logEmpty, false))
        cursor.insertBlock();
    cursor.insertText(shown);
    if (atEnd)
        scroll->setValue(scroll->maximum());
}

void MainWindow::clearLogLines()
{
    m_logLines.clear();
    m_logEmpty = true;
    m_log->clear();
}

void MainWindow::setModeLabel(ModeLabel visible)
{
    m_mode = visible;
    m_standby->setVisible(visible == ModeLabel::Standby);
    m_live->setVisible(visible == ModeLabel::Live);
    m_preRec->setVisible(visible == ModeLabel::PreRec);
}

void MainWindow::setGauge(int percent, bool percentTextVisible)
{
    m_gauge->setValue(percent);
    m_gauge->setTextVisible(percentTextVisible);
}

void MainWindow::setTimeFields(const QString& sendTime, const QString& timeLeft)
{
    m_sendTime->setText(sendTime);
    m_timeLeft->setText(timeLeft);
}

void MainWindow::setSaveLocation(const QString& path)
{
    m_saveWindow->setText(path);
    m_saveWindow->setToolTip(path.isEmpty() ? QCoreApplication::translate("MainWindow", "儲存檔案目錄與檔案名稱")
                                            : path);
}

void MainWindow::setMediaLocation(const QString& location)
{
    m_mediaWindow->setText(location);
    m_mediaWindow->setToolTip(location.isEmpty() ? QCoreApplication::translate("MainWindow", "開啟一般媒介")
                                                 : location);
}

void MainWindow::setStatusCaption(const QString& caption)
{
    m_statusCaption = caption;
    // The window system shows the title outside the client area, in the
    // title bar and the task bar: the status caption rides on it.
    // The status comes first: a task bar cuts a long title from the right.
    setWindowTitle(caption + QStringLiteral(" — ") + fixedCaption());
}

QString MainWindow::urlText() const
{
    return m_url->currentText();
}

void MainWindow::setUrlText(const QString& text)
{
    m_url->setEditText(text);
}

QStringList MainWindow::urlItems() const
{
    QStringList items;
    for (int i = 0; i < m_url->count(); ++i)
        items << m_url->itemText(i);
    return items;
}

void MainWindow::setUrlItems(const QStringList& items)
{
    // Replacing the items must not replace the text the user sees.
    const QString text = m_url->currentText();
    m_url->clear();
    m_url->addItems(items);
    m_url->setEditText(text);
}

void MainWindow::setRunActive(bool active)
{
    m_connect->setEnabled(!active);
    m_disconnect->setEnabled(active);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_mayClose && !m_mayClose()) {
        event->ignore();
        return;
    }
    emit closeRequested();
    event->accept();
}

}  // namespace tovrin
