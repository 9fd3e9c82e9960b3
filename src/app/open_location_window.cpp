#include "app/open_location_window.h"

#include "user_actions/open_media.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tovrin {

OpenLocationWindow::OpenLocationWindow(AppContext& ctx, RedirectorFetch& fetch, std::function<bool()> mediaBusy,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      m_ctx(ctx),
      m_fetch(fetch),
      m_dialog(ctx, fetch),
      m_mediaBusy(std::move(mediaBusy))
{
    setObjectName(u"openLocationWindow"_s);
    setWindowTitle(QCoreApplication::translate("OpenLocationWindow", "開啟"));
    setModal(false);

    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(32, 32));
    auto* explanation = new QLabel(
        QCoreApplication::translate("OpenLocationWindow",
                                    "請為您想要存取的媒介名稱分配位址，無論是在網際網路上或在於您本地的電腦上。"
                                    "Tovrin 將會為您開啟這個檔案"));
    explanation->setWordWrap(true);

    m_history = new QComboBox;
    m_history->setObjectName(u"historyBox"_s);
    m_history->setEditable(true);
    // The history is the open dialog's; typing never adds to it here.
    m_history->setInsertPolicy(QComboBox::NoInsert);
    // What the user typed is opened, never a longer entry completed inline.
    m_history->setCompleter(nullptr);
    m_history->setMinimumContentsLength(40);
    auto* label = new QLabel(QCoreApplication::translate("OpenLocationWindow", "開啟:"));
    label->setBuddy(m_history);

    m_ok = new QPushButton(QCoreApplication::translate("OpenLocationWindow", "確定"));
    m_ok->setObjectName(u"okButton"_s);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QCoreApplication::translate("OpenLocationWindow", "取消"));
    cancel->setObjectName(u"cancelButton"_s);
    auto* browse = new QPushButton(QCoreApplication::translate("OpenLocationWindow", "瀏覽..."));
    browse->setObjectName(u"browseButton"_s);
    for (QPushButton* button : {cancel, browse})
        button->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(explanation, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_history, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &OpenLocationWindow::okClick);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_dialog.cancelClick();
        hide();
    });
    connect(browse, &QPushButton::clicked, this, &OpenLocationWindow::browseClick);
}

void OpenLocationWindow::showEvent(QShowEvent* event)
{
    // The history is read again on every showing, so a value changed in the
    // settings meanwhile is what the user sees.
    m_dialog.reloadHistory();
    m_history->clear();
    m_history->addItems(m_dialog.history());
    m_history->setEditText(m_dialog.text());
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_ok->setFocus();
    QDialog::showEvent(event);
}

void OpenLocationWindow::okClick()
{
    if (!acceptAndOpen(m_history->currentText()))
        m_history->setEditText(m_dialog.text());
}

void OpenLocationWindow::openLocation(const QString& location)
{
    // The history as stored, as a showing of the window would load it, so the
    // location is added to it rather than replacing it.
    m_dialog.reloadHistory();
    acceptAndOpen(location);
}

bool OpenLocationWindow::acceptAndOpen(const QString& text)
{
    m_dialog.setText(text);
    if (!m_dialog.accept(m_mediaBusy && m_mediaBusy()))
        return false;
    hide();
    emit opened(OpenMedia(m_ctx, m_fetch));
    return true;
}

void OpenLocationWindow::browseClick()
{
    m_dialog.setText(m_history->currentText());
    m_dialog.browseClick();
    m_history->setEditText(m_dialog.text());
}

}  // namespace tovrin
