#include "app/log_printer.h"

#include "locations/log_print_layout.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

constexpr int kPointSize = 10;
// The layout's positions are printer pixels; at this resolution the 10 pt
// heading at y 100 ends above the first line at y 200.
constexpr int kDotsPerInch = 600;

// A face with the Chinese glyphs when one is installed; otherwise the default
// face and the font system's fallback.
QFont LogFont()
{
    QFont font;
    for (const QString& family : {u"WenQuanYi Zen Hei"_s, u"Noto Sans CJK TC"_s, u"AR PL UMing TW"_s}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSize(kPointSize);
    return font;
}

}  // namespace

QString LogPrintJobTitle()
{
    return QCoreApplication::translate("LogPrinter", "Tovrin 記錄列印");
}

bool DrawLogPages(QPrinter& printer, const QStringList& lines)
{
    printer.setDocName(LogPrintJobTitle());
    printer.setResolution(kDotsPerInch);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(LogFont());
    const QFontMetrics metrics = painter.fontMetrics();
    // The em height in the printer's pixels spaces the lines.
    const int emHeight = painter.fontInfo().pixelSize();
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    const auto pages = LayOutLogPrint(lines, emHeight, pageHeight);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0)
            printer.newPage();
        // Items are placed by their top-left corner; text is drawn from its baseline.
        for (const LogPrintItem& item : pages[p])
            painter.drawText(item.x, item.y + metrics.ascent(), item.text);
    }
    return painter.end();
}

LogPrinter::LogPrinter() : m_printer(std::make_unique<QPrinter>())
{
    m_printer->setDocName(LogPrintJobTitle());
}

LogPrinter::~LogPrinter() = default;

bool LogPrinter::print(QWidget* parent, const QStringList& lines)
{
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setObjectName(u"printDialog"_s);
    if (dialog.exec() != QDialog::Accepted)
        return true;
    return DrawLogPages(*m_printer, lines);
}

void LogPrinter::setUp(QWidget* parent)
{
    // The print dialog chooses the printer and its paper; here it only keeps
    // the choice.
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setObjectName(u"printerSetupDialog"_s);
    dialog.setWindowTitle(QCoreApplication::translate("LogPrinter", "設定印表機"));
    dialog.exec();
}

}  // namespace tovrin
