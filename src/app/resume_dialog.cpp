#include "app/resume_dialog.h"

#include "app/window_placement.h"

#include <QCoreApplication>
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
    dialog.setWindowTitle(QCoreApplication::translate("ResumeDialog", "續傳 / 重新下載 覆寫檔案"));

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
    warning->setPlainText(QCoreApplication::translate("ResumeDialog",
                                                      "警告 ! :\n"
                                                      "您所選擇要儲存的檔案包含串流媒體資料 !\n"
                                                      "要保護這個檔案，請現在按下「取消」\n"
                                                      "\n"
                                                      "請注意，若您無法重新開始續傳檔案，\n"
                                                      "您必須選擇重新下載並覆寫所儲存的檔案"));
    const QFontMetrics metrics(warning->font());
    // Sized to its six lines: the longest one wide, no scrolling.
    warning->setFixedSize(
        metrics.horizontalAdvance(QCoreApplication::translate("ResumeDialog", "您所選擇要儲存的檔案包含串流媒體資料 !"))
            + 24,
        metrics.lineSpacing() * 6 + 16);

    auto* cancel = new QPushButton(QCoreApplication::translate("ResumeDialog", "取消(&C)"), &dialog);
    cancel->setObjectName(u"cancelButton"_s);
    auto* resume = new QPushButton(QCoreApplication::translate("ResumeDialog", "續傳檔案(&R)"), &dialog);
    resume->setObjectName(u"resumeButton"_s);
    auto* redownload = new QPushButton(QCoreApplication::translate("ResumeDialog", "重新下載(&O)"), &dialog);
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
