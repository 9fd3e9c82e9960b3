#include "app/file_choosers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QRegularExpression>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

// The save chooser's entries; the first three belong to the kinds in
// SaveKind's order.
QStringList SaveFilters()
{
    return {
        QCoreApplication::translate("FileChoosers", "Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)"),
        QCoreApplication::translate("FileChoosers", "WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)"),
        QCoreApplication::translate("FileChoosers", "Tovrin 記錄檔案 (*.log)"),
        QCoreApplication::translate("FileChoosers", "所有檔案 (*.*)"),
    };
}

bool HasWildcard(const QString& text)
{
    static const QRegularExpression wildcard(u"[*?\\[\\]]"_s);
    return text.contains(wildcard);
}

// The extension a pattern names, e.g. "*.asf" -> "asf"; empty for "*.*" or "*".
QString ConcreteSuffix(const QString& pattern)
{
    const QString suffix = QFileInfo(pattern).suffix();
    return HasWildcard(suffix) ? QString() : suffix;
}

// Qt reads an entry's patterns by splitting at blanks only, so the program's
// entries written "(*.asf;*.wmv)" would list no file at all. The entries keep
// their text in the filter box; each time one is selected the file list gets
// its patterns split at ";" as well.
//
// In a save chooser Qt also renames the proposed file to the entry's first
// pattern, which for "*.asf;*.wmv;*.wma;*.wm" gives ".wm" and for "*.*"
// gives ".*". The name gets the entry's first real extension instead, or
// keeps the one it had when the entry names none.
void ListByPatterns(QFileDialog& dialog)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* nameEdit = dialog.findChild<QLineEdit*>(u"fileNameEdit"_s);
    if (!model)
        return;

    // The name before Qt's rename: the text the edit held before its last change.
    auto names = std::make_shared<std::pair<QString, QString>>();  // previous, current
    if (nameEdit) {
        names->second = nameEdit->text();
        QObject::connect(nameEdit, &QLineEdit::textChanged, &dialog, [names](const QString& text) {
            names->first = names->second;
            names->second = text;
        });
    }

    const auto apply = [&dialog, model, nameEdit, names](const QString& entry) {
        const QStringList patterns = FilterPatterns(entry);
        model->setNameFilters(patterns);
        if (dialog.acceptMode() != QFileDialog::AcceptSave || !nameEdit)
            return;
        QString name = nameEdit->text();
        const QString suffix = QFileInfo(name).suffix();
        if (suffix.isEmpty())
            return;
        if (HasWildcard(suffix) && !names->first.isEmpty())
            name = names->first;  // Qt wrote a wildcard into it
        const QString wanted = patterns.isEmpty() ? QString() : ConcreteSuffix(patterns.first());
        const QString current = QFileInfo(name).suffix();
        if (!wanted.isEmpty() && !current.isEmpty())
            name = name.left(name.size() - current.size()) + wanted;
        if (name != nameEdit->text())
            nameEdit->setText(name);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, model, apply);
    model->setNameFilters(FilterPatterns(dialog.selectedNameFilter()));
}

std::optional<QString> Run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

}  // namespace

QStringList FilterPatterns(const QString& filterEntry)
{
    const qsizetype open = filterEntry.lastIndexOf(u'(');
    const qsizetype close = filterEntry.lastIndexOf(u')');
    if (open < 0 || close < open)
        return {};
    static const QRegularExpression separators(u"[;\\s]+"_s);
    return filterEntry.mid(open + 1, close - open - 1).split(separators, Qt::SkipEmptyParts);
}

std::optional<QString> ChooseSaveFile(QWidget* parent, const SaveFileRequest& request)
{
    QFileDialog dialog(parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog.setSizeGripEnabled(true);
    const QStringList filters = SaveFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.at(static_cast<int>(request.kind)));
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.startFolder.isEmpty())
        dialog.setDirectory(request.startFolder);
    if (!request.defaultName.isEmpty())
        dialog.selectFile(request.defaultName);
    ListByPatterns(dialog);
    return Run(dialog);
}

std::optional<QString> ChooseOpenFile(QWidget* parent, const OpenFileRequest& request)
{
    QFileDialog dialog(parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The open dialog checks the path itself; any name typed comes back.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.constFirst());
    dialog.setDirectory(request.startFolder.isEmpty() ? QDir::currentPath() : request.startFolder);
    ListByPatterns(dialog);
    return Run(dialog);
}

}  // namespace tovrin
