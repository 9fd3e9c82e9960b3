#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QLineEdit;

namespace tovrin {

struct AppContext;
class CompletionSound;

// The settings dialog ("設定 Tovrin"): the fields of the live settings
// record, bound to it as they are edited, and the buttons 測試音效, 關於 UDP
// and 確定. Modeless, on top, fixed size. Every close (確定 or the close box)
// saves the settings and, when the UDP port text changed, asks whether to
// restart: Yes emits restartRequested, No puts the loaded port back into the
// field.
class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    SettingsDialog(AppContext& ctx, CompletionSound& sound, QWidget* parent = nullptr);

    // Shows the record's current values in the fields.
    void showSettings();

signals:
    void restartRequested();

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showAboutUdp();

    AppContext& m_ctx;
    CompletionSound& m_sound;
    bool m_closing = false;  // a close is saving; a second one within it does nothing
    QLineEdit* m_tcpPortEdit = nullptr;
    QCheckBox* m_udpTick = nullptr;
    QLineEdit* m_udpPortEdit = nullptr;
    QLineEdit* m_doneIntervalEdit = nullptr;
    QCheckBox* m_bypassDnsTick = nullptr;
    QCheckBox* m_autoLogTick = nullptr;
    QSpinBox* m_reconnectBox = nullptr;
    QComboBox* m_streamChoiceBox = nullptr;
    QSpinBox* m_maxBitRateBox = nullptr;
    QLineEdit* m_proxyEdit = nullptr;
    QLineEdit* m_playerNameEdit = nullptr;
    QLineEdit* m_splitEveryEdit = nullptr;
    QCheckBox* m_splitOnClockTick = nullptr;
    QLineEdit* m_splitSizeEdit = nullptr;
    QLineEdit* m_nameTemplateEdit = nullptr;
};

}  // namespace tovrin
