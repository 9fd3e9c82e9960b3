#include "app/settings_dialog.h"

#include "app/completion_sound.h"
#include "locations/player_name.h"
#include "state/app_context.h"
#include "state/settings_access.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

QLineEdit* FieldEdit(const QString& name, const QString& toolTip, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setToolTip(toolTip);
    edit->setMaximumWidth(70);
    return edit;
}

QCheckBox* FieldTick(const QString& name, const QString& text, const QString& toolTip, QWidget* parent)
{
    auto* tick = new QCheckBox(text, parent);
    tick->setObjectName(name);
    tick->setToolTip(toolTip);
    return tick;
}

QPushButton* Button(const QString& name, const QString& text, const QString& toolTip, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SettingsDialog::SettingsDialog(AppContext& ctx, CompletionSound& sound, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint),
      m_ctx(ctx),
      m_sound(sound)
{
    setWindowTitle(QCoreApplication::translate("SettingsDialog", "設定 Tovrin"));
    setModal(false);

    m_tcpPortEdit = FieldEdit(u"tcpPortEdit"_s,
                              QCoreApplication::translate("SettingsDialog", "串流伺服器埠號。預設值 = 1755"), this);
    m_udpTick = FieldTick(u"udpTick"_s, QCoreApplication::translate("SettingsDialog", "嘗試 UDP 協定"),
                          QCoreApplication::translate("SettingsDialog", "啟用 UDP"), this);
    m_udpPortEdit = FieldEdit(u"udpPortEdit"_s, QCoreApplication::translate("SettingsDialog", "傾聽 UDP 埠號"), this);
    m_doneIntervalEdit =
        FieldEdit(u"doneIntervalEdit"_s, QCoreApplication::translate("SettingsDialog", "重複 '完成' 時之音效"), this);
    m_bypassDnsTick = FieldTick(
        u"bypassDnsTick"_s, QCoreApplication::translate("SettingsDialog", "使用 IP 位址模式，規避 DNS 網址訪查"),
        QCoreApplication::translate("SettingsDialog", "輸入 123.456.789.999 而不是 hello.me.net"), this);
    m_autoLogTick = FieldTick(u"autoLogTick"_s, QCoreApplication::translate("SettingsDialog", "自動提示記錄"),
                              QCoreApplication::translate("SettingsDialog", "總是提示儲存記錄"), this);

    m_reconnectBox = new QSpinBox(this);
    m_reconnectBox->setObjectName(u"reconnectBox"_s);
    m_reconnectBox->setRange(0, kMaxReconnect);
    m_reconnectBox->setToolTip(
        QCoreApplication::translate("SettingsDialog", "連線中斷時重新連線的次數；0 = 不重新連線"));

    // The streams of a stream encoded at several bit rates: the choice is
    // kept as its text ("all", "best", "worst" or stream numbers), which the
    // box offers by name and takes typed.
    m_streamChoiceBox = new QComboBox(this);
    m_streamChoiceBox->setObjectName(u"streamChoiceBox"_s);
    m_streamChoiceBox->setEditable(true);
    m_streamChoiceBox->addItem(QCoreApplication::translate("SettingsDialog", "全部"), u"all"_s);
    m_streamChoiceBox->addItem(QCoreApplication::translate("SettingsDialog", "最佳"), u"best"_s);
    m_streamChoiceBox->addItem(QCoreApplication::translate("SettingsDialog", "最差"), u"worst"_s);
    m_streamChoiceBox->setToolTip(QCoreApplication::translate(
        "SettingsDialog", "多重位元率的串流要錄製哪些串流：全部、最佳、最差，或輸入串流編號 (例如 1,3)"));
    m_maxBitRateBox = new QSpinBox(this);
    m_maxBitRateBox->setObjectName(u"maxBitRateBox"_s);
    m_maxBitRateBox->setRange(0, 100000);
    m_maxBitRateBox->setSuffix(u" kbit/s"_s);
    m_maxBitRateBox->setToolTip(
        QCoreApplication::translate("SettingsDialog", "錄製的串流合計最高的位元率；0 = 不限制"));
    m_proxyEdit = new QLineEdit(this);
    m_proxyEdit->setObjectName(u"proxyEdit"_s);
    m_proxyEdit->setPlaceholderText(u"http://host:port"_s);
    m_proxyEdit->setToolTip(QCoreApplication::translate(
        "SettingsDialog",
        "http://主機:埠號 或 socks5://主機:埠號 (需要時加上 帳號:密碼@)；none = 不使用代理伺服器；"
        "空白 = 使用環境變數 (http_proxy 等) 或系統的設定"));
    // What servers that serve only the players they know are told.
    m_playerNameEdit = new QLineEdit(this);
    m_playerNameEdit->setObjectName(u"playerNameEdit"_s);
    m_playerNameEdit->setPlaceholderText(kDefaultPlayerName);
    m_playerNameEdit->setToolTip(QCoreApplication::translate(
        "SettingsDialog", "伺服器看到的播放器名稱與版本；有些伺服器只服務它認得的播放器。空白 = 預設值"));

    // A broadcast in parts and the save name's template, kept as typed: the
    // recording reads them when it starts.
    m_splitEveryEdit =
        FieldEdit(u"splitEveryEdit"_s,
                  QCoreApplication::translate("SettingsDialog",
                                              "現場直播每錄製這麼長就換一個新檔案 (例如 10s、30m、1h)；空白 = 不分段"),
                  this);
    m_splitOnClockTick = FieldTick(
        u"splitOnClockTick"_s, QCoreApplication::translate("SettingsDialog", "依時鐘整點分段"),
        QCoreApplication::translate("SettingsDialog", "每段從時鐘的整數倍開始，例如每小時的分段從 :00 開始"), this);
    m_splitSizeEdit =
        FieldEdit(u"splitSizeEdit"_s,
                  QCoreApplication::translate("SettingsDialog",
                                              "現場直播的檔案達到這個大小就換一個新檔案 (例如 700M)；空白 = 不分段"),
                  this);
    m_nameTemplateEdit = new QLineEdit(this);
    m_nameTemplateEdit->setObjectName(u"nameTemplateEdit"_s);
    m_nameTemplateEdit->setPlaceholderText(u"%t %Y-%m-%d %H%M"_s);
    m_nameTemplateEdit->setToolTip(QCoreApplication::translate(
        "SettingsDialog",
        "建議的儲存檔名：%Y %m %d %H %M %S 開始的時間，%t 串流的標題，%n 分段編號，%% 百分號；"
        "空白 = 串流的名稱"));

    auto* udpPort = new QHBoxLayout;
    udpPort->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "埠號"), this));
    udpPort->addWidget(m_udpPortEdit);
    udpPort->addStretch();

    auto* fields = new QGridLayout;
    // The long description of the last row must not run into its default.
    fields->setHorizontalSpacing(16);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "TCP MMS 伺服器埠號:"), this), 0, 0);
    fields->addWidget(m_tcpPortEdit, 0, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 1755"), this), 0, 2);
    fields->addWidget(m_udpTick, 1, 0);
    fields->addLayout(udpPort, 1, 1, 1, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "重複音效"), this), 2, 0);
    fields->addWidget(m_doneIntervalEdit, 2, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "每秒"), this), 2, 2);
    fields->addWidget(m_bypassDnsTick, 3, 0, 1, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 關"), this), 3, 2);
    fields->addWidget(m_autoLogTick, 4, 0);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "下載完成時自動提示儲存記錄"), this), 4,
                      1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 關"), this), 4, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "重新連線次數:"), this), 5, 0);
    fields->addWidget(m_reconnectBox, 5, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 0 (關)"), this), 5, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "串流選擇:"), this), 6, 0);
    fields->addWidget(m_streamChoiceBox, 6, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 全部"), this), 6, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "最高位元率:"), this), 7, 0);
    fields->addWidget(m_maxBitRateBox, 7, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 0 (不限制)"), this), 7, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "代理伺服器:"), this), 8, 0);
    fields->addWidget(m_proxyEdit, 8, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 系統設定"), this), 8, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "播放器名稱:"), this), 9, 0);
    fields->addWidget(m_playerNameEdit, 9, 1, 1, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "分段時間:"), this), 10, 0);
    fields->addWidget(m_splitEveryEdit, 10, 1);
    fields->addWidget(m_splitOnClockTick, 10, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "分段大小:"), this), 11, 0);
    fields->addWidget(m_splitSizeEdit, 11, 1);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "預設值 = 空白 (不分段)"), this), 11, 2);
    fields->addWidget(new QLabel(QCoreApplication::translate("SettingsDialog", "檔名範本:"), this), 12, 0);
    fields->addWidget(m_nameTemplateEdit, 12, 1, 1, 2);

    auto* testSound = Button(u"testSoundButton"_s, QCoreApplication::translate("SettingsDialog", "測試音效(&S)"),
                             QCoreApplication::translate("SettingsDialog", "播放 '完成' 音效"), this);
    auto* aboutUdp = Button(u"aboutUdpButton"_s, QCoreApplication::translate("SettingsDialog", "關於 UDP(&A)"),
                            QCoreApplication::translate("SettingsDialog", "讀取關於 UDP"), this);
    auto* ok = Button(u"okButton"_s, QCoreApplication::translate("SettingsDialog", "確定(&O)"), QString(), this);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(testSound);
    buttons->addWidget(aboutUdp);
    buttons->addStretch();
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Each field writes into the live record as it is edited; the record is
    // what the rest of the program reads and what a close saves.
    SettingsRecord& s = m_ctx.settings;
    connect(m_tcpPortEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.serverSocket = text; });
    connect(m_udpTick, &QCheckBox::toggled, this, [&s](bool on) { s.udpTick = on; });
    connect(m_udpPortEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.udpPort = text; });
    connect(m_doneIntervalEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.doneInterval = text; });
    connect(m_bypassDnsTick, &QCheckBox::toggled, this, [&s](bool on) { s.bypassDns = on; });
    connect(m_autoLogTick, &QCheckBox::toggled, this, [&s](bool on) { s.autoLogTick = on; });
    connect(m_reconnectBox, &QSpinBox::valueChanged, this, [&s](int tries) { s.reconnect = tries; });
    connect(m_streamChoiceBox, &QComboBox::currentTextChanged, this, [this, &s](const QString& text) {
        // A name offered stands for its choice; a typed text is the choice.
        const int offered = m_streamChoiceBox->findText(text);
        s.streamChoice = offered >= 0 ? m_streamChoiceBox->itemData(offered).toString() : text.trimmed();
    });
    connect(m_maxBitRateBox, &QSpinBox::valueChanged, this, [&s](int kbps) { s.maxBitRate = quint32(kbps) * 1000; });
    connect(m_proxyEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.proxy = text.trimmed(); });
    connect(m_playerNameEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.playerName = text; });
    connect(m_splitEveryEdit, &QLineEdit::textEdited, this,
            [&s](const QString& text) { s.splitEvery = text.trimmed(); });
    connect(m_splitOnClockTick, &QCheckBox::toggled, this, [&s](bool on) { s.splitOnClock = on; });
    connect(m_splitSizeEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.splitSize = text.trimmed(); });
    connect(m_nameTemplateEdit, &QLineEdit::textEdited, this, [&s](const QString& text) { s.nameTemplate = text; });

    connect(testSound, &QPushButton::clicked, this, [this] { m_sound.play(u"Done.wav"_s); });
    connect(aboutUdp, &QPushButton::clicked, this, &SettingsDialog::showAboutUdp);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    showSettings();
}

void SettingsDialog::showSettings()
{
    const SettingsRecord& s = m_ctx.settings;
    m_tcpPortEdit->setText(s.serverSocket);
    m_udpTick->setChecked(s.udpTick);
    m_udpPortEdit->setText(s.udpPort);
    m_doneIntervalEdit->setText(s.doneInterval);
    m_bypassDnsTick->setChecked(s.bypassDns);
    m_autoLogTick->setChecked(s.autoLogTick);
    m_reconnectBox->setValue(s.reconnect);
    const int offered = m_streamChoiceBox->findData(s.streamChoice);
    if (offered >= 0)
        m_streamChoiceBox->setCurrentIndex(offered);
    else
        m_streamChoiceBox->setEditText(s.streamChoice);
    m_maxBitRateBox->setValue(int(s.maxBitRate / 1000));
    m_proxyEdit->setText(s.proxy);
    m_playerNameEdit->setText(s.playerName);
    m_splitEveryEdit->setText(s.splitEvery);
    m_splitOnClockTick->setChecked(s.splitOnClock);
    m_splitSizeEdit->setText(s.splitSize);
    m_nameTemplateEdit->setText(s.nameTemplate);
}

void SettingsDialog::done(int result)
{
    // 確定, Escape and the close box all end here: the settings are saved
    // once per close, and a declined restart shows the loaded port again.
    if (m_closing)
        return;
    m_closing = true;
    const bool restart = SaveSettings(m_ctx);
    if (!restart)
        showSettings();
    QDialog::done(result);
    m_closing = false;
    if (restart)
        emit restartRequested();
}

void SettingsDialog::closeEvent(QCloseEvent* event)
{
    // The close box closes like 確定; a dialog already hidden has nothing to save.
    if (isVisible())
        done(QDialog::Rejected);
    event->accept();
}

void SettingsDialog::showAboutUdp()
{
    m_ctx.shell.showMessage(
        QCoreApplication::translate("SettingsDialog", "關於 UDP")
        + u" \n\n"
          u"Currently, Tovrin does not support UDP packet error correction\n"
        u"UDP packets will be saved 'as is' without regard to errors\n"
        u"or lost packets in the stream. This means UDP should only be\n"
        u"selected for test purposes and should not be regarded as an\n"
        u"alternative to TCP streaming.\n\n"
        u"Also, if you change the UDP port address, you will need to\n"
        u"re-start the Tovrin application. This is due to the nature of\n"
        u"Windows sockets and the way UDP sockets can only be\n"
        u"created and assigned to a local port once within an application.\n"
        u"Valid port numbers range from 1 - 65535\n"
        u"The default for MMS streaming is 7000 or 7001\n\n"
        u"UDP will download, but beware of errors within the saved file\n"
        u"Thanks for reading"_s);
}

}  // namespace tovrin
