#include "app/resume_dialog.h"

#include "app/window_placement.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

// The dialog's results beside Rejected (0), which every other way of closing
// it gives and which means Cancel.
enum Result { ResumeResult = 2, RedownloadResult = 3 };

}  // namespace

ResumeChoice AskResume(QWidget* parent)
{
    QDialog dialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint);
    dialog.setWindowTitle(u"續傳 / 重新下載 覆寫檔案"_s);

    // The warning reads like part of the dialog: no frame, the dialog's colour.
    auto* warning = new QPlainTextEdit(&dialog);
    warning->setReadOnly(true);
    warning->setFrameShape(QFrame::NoFrame);
    warning->setFocusPolicy(Qt::NoFocus);
    warning->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    warning->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = warning->palette();
    palette.setColor(QPalette::Base, dialog.palette().color(QPalette::Window));
    warning->setPalette(palette);
    warning->setPlainText(
        u"警告 ! :\n"
        u"您所選擇要儲存的檔案包含串流媒體資料 !\n"
        u"要保護這個檔案，請現在按下「取消」\n"
        u"\n"
        u"請注意，若您無法重新開始續傳檔案，\n"
        u"您必須選擇重新下載並覆寫所儲存的檔案"_s);
    const QFontMetrics metrics(warning->font());
    // Sized to its six lines: the longest one wide, no scrolling.
    warning->setFixedSize(metrics.horizontalAdvance(u"您所選擇要儲存的檔案包含串流媒體資料 !"_s) + 24,
                          metrics.lineSpacing() * 6 + 16);

    auto* cancel = new QPushButton(u"取消(&C)"_s, &dialog);
    cancel->setObjectName(u"cancelButton"_s);
    auto* resume = new QPushButton(u"續傳檔案(&R)"_s, &dialog);
    resume->setObjectName(u"resumeButton"_s);
    auto* redownload = new QPushButton(u"重新下載(&O)"_s, &dialog);
    redownload->setObjectName(u"redownloadButton"_s);
    for (QPushButton* button : {resume, redownload})
        button->setAutoDefault(false);
    cancel->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(resume, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(ResumeResult); });
    QObject::connect(redownload, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(RedownloadResult); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addWidget(resume);
    buttons->addWidget(redownload);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(warning);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    cancel->setFocus();
    CentreOnScreen(dialog, parent);
    switch (dialog.exec()) {
    case ResumeResult:
        return ResumeChoice::Resume;
    case RedownloadResult:
        return ResumeChoice::Redownload;
    default:
        return ResumeChoice::Cancel;
    }
}

}  // namespace tovrin
