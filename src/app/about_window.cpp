#include "app/about_window.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace tovrin {

QString HomePage()
{
    return u"https://github.com/tovrin/tovrin"_s;
}

QString HelpMessage()
{
    return QCoreApplication::translate("AboutWindow", "更多說明與常見問題以及關於 Tovrin 請參閱官方首頁 ") + HomePage()
           + u"\n"_s + QCoreApplication::translate("AboutWindow", "或讀取 Readme.txt 檔案來提供 Tovrin 支援");
}

namespace {

QLabel* NameLabel(const QString& text, const QColor& colour, int pixelSize, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QCoreApplication::translate("AboutWindow", "關於 (中文版 by Orvak)"));

    // The picture is compiled into the program (dialogs.cmake), so an
    // installed copy shows it wherever it is run from.
    auto* picture = new QLabel(this);
    picture->setObjectName(u"pictureLabel"_s);
    picture->setGeometry(8, 8, 105, 89);
    picture->setScaledContents(true);
    picture->setPixmap(QPixmap::fromImage(QImageReader(u":/tovrin/about.jpg"_s).read()));
    NameLabel(u"Tovrin"_s, Qt::yellow, 24, this)->setGeometry(14, 16, 95, 30);
    NameLabel(QCoreApplication::translate("AboutWindow", "Multimedia 中文版"), Qt::cyan, 10, this)
        ->setGeometry(11, 62, 101, 18);

    m_versionBox = new QPlainTextEdit(this);
    m_versionBox->setObjectName(u"versionBox"_s);
    m_versionBox->setReadOnly(true);
    m_versionBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_versionBox->setTabStopDistance(110);
    QPalette palette = m_versionBox->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    palette.setColor(QPalette::Text, Qt::black);
    m_versionBox->setPalette(palette);
    m_versionBox->setPlainText(QCoreApplication::translate("AboutWindow", "Tovrin 版本資訊與網域位置:-\n"));
    // Appended once, here: the window is shown again and again without
    // repeating them.
    for (const QString& line : {
             QCoreApplication::translate("AboutWindow", "Tovrin 程式版本:\t1.7.5 Pentium 專業中文版"),
             QCoreApplication::translate("AboutWindow", "Tovrin 撥放器版本:\t1.1.0"),
             QCoreApplication::translate("AboutWindow", "MMS 協定版本:\tNSPlayer/7.0.0.1956"),
             QCoreApplication::translate("AboutWindow", "釋放日期:\t20.01.02"),
             QCoreApplication::translate("AboutWindow", "程式作者\tTovrin 開發團隊"),
             QCoreApplication::translate("AboutWindow", "網域位置:\t") + HomePage(),
         })
        m_versionBox->appendPlainText(line);
    // Tall enough for every line at once: nothing to scroll.
    // The lines' heights as laid out: the Chinese may come from a taller
    // fallback font than the box's own.
    QSizeF textSize;
    const QTextDocument* text = m_versionBox->document();
    for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
        const QRectF line = text->documentLayout()->blockBoundingRect(block);
        textSize = QSizeF(std::max(textSize.width(), line.width()), textSize.height() + line.height());
    }
    const int margins = 2 * (m_versionBox->frameWidth() + int(text->documentMargin())) + 2;
    const int boxWidth = std::max(294, int(std::ceil(textSize.width())) + margins);
    const int boxHeight = std::max(116, int(std::ceil(textSize.height())) + margins);
    m_versionBox->setGeometry(121, 8, boxWidth, boxHeight);
    m_versionBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_versionBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_okButton = new QPushButton(QCoreApplication::translate("AboutWindow", "確定(&O)"), this);
    m_okButton->setObjectName(u"okButton"_s);
    m_okButton->setGeometry(boxWidth + 36, boxHeight + 14, 85, 25);
    setFixedSize(boxWidth + 129, boxHeight + 46);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QWidget::hide);
}

QStringList AboutWindow::versionLines() const
{
    return m_versionBox->toPlainText().split(u'\n');
}

void AboutWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_okButton->setFocus();
}

}  // namespace tovrin
