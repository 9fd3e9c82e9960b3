#include "app/preview_about_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

// What the monitor can and cannot do, as it does it here: GStreamer plays the
// file, and the file may still be growing.
const char16_t kAboutText[] =
    u"Welcome to this first release of Tovrin multimedia player 1.0.\n"
    u"\n"
    u"The monitor lets you watch or listen to a recording while Tovrin\n"
    u"is still writing it, or play a local media file you have opened.\n"
    u"It only reads the file: it never changes or slows a download.\n"
    u"\n"
    u"There are two limitations you should know about.\n"
    u"\n"
    u"1. Codecs\n"
    u"The monitor decodes nothing itself. It hands the file to\n"
    u"GStreamer, and the audio and video codecs come from the\n"
    u"GStreamer plugins installed on this computer (the base, good,\n"
    u"ugly and libav sets). When a stream uses a codec that none of\n"
    u"them knows, the monitor shows the player's error message in its\n"
    u"status line and in a message box. The recording goes on.\n"
    u"Workaround: install the missing GStreamer plugins with your\n"
    u"package manager (gstreamer1.0-libav covers most Windows Media\n"
    u"codecs), then open the monitor again. A file that plays in any\n"
    u"other GStreamer player, such as gst-play-1.0, plays here too.\n"
    u"\n"
    u"2. A file that is too short\n"
    u"The player reads ahead of what it shows before it starts. While\n"
    u"a recording runs, the monitor follows the file as it grows and\n"
    u"waits for new data rather than stopping. A file that holds only\n"
    u"a few packets, however, may not be recognised yet: the player\n"
    u"then starts and stops at once, or reports that it cannot play.\n"
    u"Workaround: press Stop, wait 10 to 20 seconds for the file to\n"
    u"grow, and press Play again. Remember that the monitor reads the\n"
    u"file while it is being written: it cannot play past what has\n"
    u"been received so far. While the recording runs the position bar\n"
    u"pauses and resumes; once it has finished, the bar also seeks.\n"
    u"\n"
    u"Both limitations come from the limited control Tovrin has over\n"
    u"the media player underneath: the player decides which codecs\n"
    u"exist and how much it must read before it plays.\n"
    u"\n"
    u"Enjoy your recordings.\n"
    u"\n"
    u"The Tovrin team\n";

}  // namespace

PreviewAboutWindow::PreviewAboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QCoreApplication::translate("PreviewAboutWindow", "關於預覽顯示"));
    setFixedSize(440, 330);

    auto* icon = new QLabel(this);
    icon->setObjectName(u"iconLabel"_s);
    icon->setGeometry(12, 10, 32, 32);
    icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MediaPlay).pixmap(32, 32));

    auto* heading = new QLabel(QCoreApplication::translate("PreviewAboutWindow", "關於這個 Tovrin 預覽顯示"), this);
    heading->setObjectName(u"headingLabel"_s);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    heading->setGeometry(56, 10, 372, 32);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(u"aboutText"_s);
    m_text->setGeometry(12, 50, 416, 236);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Base, Qt::gray);
    palette.setColor(QPalette::Text, Qt::white);
    m_text->setPalette(palette);
    m_text->setPlainText(QString::fromUtf16(kAboutText));

    auto* ok = new QPushButton(QCoreApplication::translate("PreviewAboutWindow", "確定(&O)"), this);
    ok->setObjectName(u"okButton"_s);
    ok->setGeometry(343, 296, 85, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);
}

QString PreviewAboutWindow::text() const
{
    return m_text->toPlainText();
}

}  // namespace tovrin
