#include "app/password_dialog.h"

#include "app/window_placement.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tovrin {

std::optional<PasswordAnswer> AskPassword(QWidget* parent, const PasswordPrompt& prompt)
{
    QDialog dialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint);
    dialog.setWindowTitle(QCoreApplication::translate("PasswordDialog", "輸入網路密碼"));

    auto* explanation =
        new QLabel(QCoreApplication::translate("PasswordDialog", "請測試您的使用者名稱與密碼來存取這個位置"), &dialog);

    // Site and realm, each after its caption. Both come from the server:
    // shown as they are, never as markup.
    auto* where = new QGridLayout;
    const auto plain = [&dialog](const QString& text) {
        auto* label = new QLabel(text, &dialog);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    where->addWidget(new QLabel(prompt.proxy ? QCoreApplication::translate("PasswordDialog", "代理伺服器:")
                                             : QCoreApplication::translate("PasswordDialog", "位置:"),
                                &dialog),
                     0, 0);
    where->addWidget(plain(prompt.site), 0, 1);
    where->addWidget(new QLabel(QCoreApplication::translate("PasswordDialog", "範圍:"), &dialog), 1, 0);
    where->addWidget(plain(prompt.realm), 1, 1);
    where->setColumnStretch(1, 1);

    auto* userId = new QLineEdit(prompt.userId, &dialog);
    userId->setObjectName(u"userIdEdit"_s);
    auto* password = new QLineEdit(prompt.password, &dialog);
    password->setObjectName(u"passwordEdit"_s);
    password->setEchoMode(QLineEdit::Password);
    auto* userIdLabel = new QLabel(QCoreApplication::translate("PasswordDialog", "使用者名稱 ID"), &dialog);
    userIdLabel->setBuddy(userId);
    auto* passwordLabel = new QLabel(QCoreApplication::translate("PasswordDialog", "密碼"), &dialog);
    passwordLabel->setBuddy(password);

    auto* save = new QCheckBox(QCoreApplication::translate("PasswordDialog", "儲存密碼"), &dialog);
    save->setObjectName(u"savePasswordBox"_s);
    save->setChecked(true);

    auto* ok = new QPushButton(QCoreApplication::translate("PasswordDialog", "確定(&O)"), &dialog);
    ok->setObjectName(u"okButton"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QCoreApplication::translate("PasswordDialog", "取消(&C)"), &dialog);
    cancel->setObjectName(u"cancelButton"_s);
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(explanation);
    layout->addLayout(where);
    layout->addWidget(userIdLabel);
    layout->addWidget(userId);
    layout->addWidget(passwordLabel);
    layout->addWidget(password);
    layout->addWidget(save);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Saved credentials are confirmed with Enter; otherwise what the user
    // types goes into the user name.
    if (prompt.userId.isEmpty())
        userId->setFocus();
    else
        ok->setFocus();
    CentreOnScreen(dialog, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return PasswordAnswer{userId->text(), password->text(), save->isChecked()};
}

}  // namespace tovrin
