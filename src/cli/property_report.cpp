#include "cli/property_report.h"

#include "cli/console_shell.h"

#include <utility>

namespace tovrin {

namespace {

struct FieldName {
    PropertyField field;
    const char16_t* name;
    bool always;  // shown even when empty
};

constexpr FieldName kFields[] = {
    {PropertyField::Clip, u"Clip", true},
    {PropertyField::Author, u"Author", true},
    {PropertyField::Copyright, u"Copyright", true},
    {PropertyField::Rating, u"Rating", true},
    {PropertyField::Location, u"Location", true},
    {PropertyField::Description, u"Description", true},
    {PropertyField::Type, u"Type", true},
    {PropertyField::FileSize, u"FileSize", true},
    {PropertyField::Length, u"Length", true},
    {PropertyField::VidSize, u"VidSize", true},
    {PropertyField::CreatedAsf, u"Created_Asf", true},
    {PropertyField::CreatedFile, u"Created_File", true},
    {PropertyField::Version, u"Version", true},
    {PropertyField::Codecs, u"Codecs", true},
    {PropertyField::BitRateInfo, u"BitRateInfo", true},
    {PropertyField::SendTime, u"SendTime", false},
    {PropertyField::TimeLeft, u"TimeLeft", false},
    {PropertyField::Packets, u"Packets", false},
    {PropertyField::StreamWindow, u"StreamWindow", false},
    {PropertyField::BitRate, u"BitRate", false},
    {PropertyField::StreamRate, u"StreamRate", false},
    {PropertyField::Acks, u"Acks", false},
    {PropertyField::AsfSize, u"ASFsize", false},
    {PropertyField::ServerLog, u"ServerLog", false},
};

}  // namespace

QString PropertyReport(const ConsoleShell& shell)
{
    QString report;
    for (const FieldName& f : kFields) {
        const QString name = QString::fromUtf16(f.name);
        const QString value = shell.property(f.field);
        const QStringList lines = shell.propertyLines(f.field);
        if (!value.isEmpty() || (f.always && lines.isEmpty()))
            report += name + QStringLiteral(": ") + value + u'\n';
        for (const QString& line : lines)
            report += name + QStringLiteral(": ") + line + u'\n';
    }
    return report;
}

}  // namespace tovrin
