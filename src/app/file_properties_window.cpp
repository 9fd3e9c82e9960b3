#include "app/file_properties_window.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

enum class Kind { Label, MultiLine, Counter };

struct FieldRow {
    PropertyField field;
    int page;
    Kind kind;
    const char* caption;  // translated when shown
    const char16_t* objectName;
    const char16_t* unit;  // shown after a counter, or nullptr
};

const char* const kPageCaptions[] = {
    QT_TRANSLATE_NOOP("FilePropertiesWindow", "精簡標題"), QT_TRANSLATE_NOOP("FilePropertiesWindow", "詳細資料"),
    QT_TRANSLATE_NOOP("FilePropertiesWindow", "編碼"), QT_TRANSLATE_NOOP("FilePropertiesWindow", "統計")};
const char16_t* const kPageNames[] = {u"clipPage", u"detailsPage", u"codecPage", u"statisticsPage"};

// Each field of the window, page by page, in the order they are shown.
constexpr FieldRow kRows[] = {
    {PropertyField::Clip, 0, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "標題:"), u"clipField", nullptr},
    {PropertyField::Author, 0, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "作者:"), u"authorField",
     nullptr},
    {PropertyField::Copyright, 0, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "著作權:"), u"copyrightField",
     nullptr},
    {PropertyField::Rating, 0, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "分級:"), u"ratingField",
     nullptr},
    {PropertyField::Location, 0, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "位置:"), u"locationField",
     nullptr},
    {PropertyField::Description, 0, Kind::MultiLine, QT_TRANSLATE_NOOP("FilePropertiesWindow", "描述:"),
     u"descriptionField", nullptr},
    {PropertyField::Type, 1, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "類型:"), u"typeField", nullptr},
    {PropertyField::FileSize, 1, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "檔案大小:"), u"fileSizeField",
     nullptr},
    {PropertyField::Length, 1, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "長度:"), u"lengthField",
     nullptr},
    {PropertyField::VidSize, 1, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "視訊大小:"), u"videoSizeField",
     nullptr},
    {PropertyField::CreatedAsf, 1, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "建立日期:"),
     u"createdAsfField", nullptr},
    {PropertyField::CreatedFile, 1, Kind::Label, QT_TRANSLATE_NOOP("FilePropertiesWindow", "寫入日期:"),
     u"createdFileField", nullptr},
    {PropertyField::Version, 2, Kind::MultiLine, QT_TRANSLATE_NOOP("FilePropertiesWindow", "編碼器:"), u"versionField",
     nullptr},
    {PropertyField::Codecs, 2, Kind::MultiLine, QT_TRANSLATE_NOOP("FilePropertiesWindow", "編碼:"), u"codecsField",
     nullptr},
    {PropertyField::BitRateInfo, 3, Kind::MultiLine, QT_TRANSLATE_NOOP("FilePropertiesWindow", "位元率:"),
     u"bitRateInfoField", nullptr},
    {PropertyField::SendTime, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "已傳送時間:"),
     u"sendTimeField", nullptr},
    {PropertyField::TimeLeft, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "剩餘時間:"),
     u"timeLeftField", nullptr},
    {PropertyField::Packets, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "封包:"), u"packetsField",
     nullptr},
    {PropertyField::StreamWindow, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "串流數:"),
     u"streamCountField", nullptr},
    {PropertyField::BitRate, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "最大位元率:"),
     u"bitRateField", u"Kbps"},
    {PropertyField::StreamRate, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "串流比率:"),
     u"streamRateField", u"Kbps"},
    {PropertyField::Acks, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "回應次數:"), u"acksField",
     nullptr},
    {PropertyField::AsfSize, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "封包大小:"),
     u"packetSizeField", u"Bytes"},
    {PropertyField::ServerLog, 3, Kind::Counter, QT_TRANSLATE_NOOP("FilePropertiesWindow", "用戶端數:"),
     u"clientCountField", nullptr},
};

QWidget* MakeField(Kind kind, QWidget* parent)
{
    switch (kind) {
    case Kind::Label: {
        auto* label = new QLabel(parent);
        // Titles come from the file: markup in them is shown, not obeyed.
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(true);
        return label;
    }
    case Kind::MultiLine: {
        auto* box = new QPlainTextEdit(parent);
        box->setReadOnly(true);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        return box;
    }
    case Kind::Counter: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignRight);
        return edit;
    }
    }
    return nullptr;
}

}  // namespace

FilePropertiesWindow::FilePropertiesWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"filePropertiesWindow"_s);
    setWindowTitle(QCoreApplication::translate("FilePropertiesWindow", "檔案性質"));
    resize(460, 400);

    m_pages = new QTabWidget(this);
    QFormLayout* forms[std::size(kPageCaptions)] = {};
    for (std::size_t p = 0; p < std::size(kPageCaptions); ++p) {
        auto* page = new QWidget(m_pages);
        page->setObjectName(QString::fromUtf16(kPageNames[p]));
        forms[p] = new QFormLayout(page);
        forms[p]->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        m_pages->addTab(page, QCoreApplication::translate("FilePropertiesWindow", kPageCaptions[p]));
    }
    for (const FieldRow& row : kRows) {
        QWidget* page = m_pages->widget(row.page);
        QWidget* field = MakeField(row.kind, page);
        field->setObjectName(QString::fromUtf16(row.objectName));
        m_fields.insert(row.field, field);
        if (!row.unit) {
            forms[row.page]->addRow(QCoreApplication::translate("FilePropertiesWindow", row.caption), field);
            continue;
        }
        auto* withUnit = new QHBoxLayout;
        withUnit->addWidget(field);
        withUnit->addWidget(new QLabel(QString::fromUtf16(row.unit), page));
        forms[row.page]->addRow(QCoreApplication::translate("FilePropertiesWindow", row.caption), withUnit);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QCoreApplication::translate("FilePropertiesWindow", "確定(&O)"),
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName(u"okButton"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
}

void FilePropertiesWindow::setField(PropertyField field, const QString& text)
{
    QWidget* widget = m_fields.value(field);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
        box->setPlainText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(text);
}

void FilePropertiesWindow::appendLine(PropertyField field, const QString& line)
{
    if (auto* box = qobject_cast<QPlainTextEdit*>(m_fields.value(field))) {
        box->appendPlainText(line);
        return;
    }
    const QString text = fieldText(field);
    setField(field, text.isEmpty() ? line : text + u'\n' + line);
}

void FilePropertiesWindow::clearFields()
{
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it)
        setField(it.key(), QString());
}

QString FilePropertiesWindow::fieldText(PropertyField field) const
{
    QWidget* widget = m_fields.value(field);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
        return box->toPlainText();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    return {};
}

QStringList FilePropertiesWindow::fieldLines(PropertyField field) const
{
    const QString text = fieldText(field);
    return text.isEmpty() ? QStringList{} : text.split(u'\n');
}

}  // namespace tovrin
