#pragma once

#include <QString>

namespace tovrin {

// Rules that cut file names and local paths out of texts, shared by the save
// file, the redirector and the session-log code.
//
// Local paths: the rules know the Windows form, a drive letter with ":\" at
// positions 2-3 and folders cut at the last "\". A non-Windows build also
// accepts an absolute path beginning with "/" and treats "/" as a folder
// separator wherever a path is cut into folder and name.

// The text after the last "/", ":" or "\". Only the characters between the
// first and the last are examined, so neither of those ever counts; without a
// separator there the result is the text "0".
QString NameAfterSeparator(const QString& text);

// The text before the last ".", examined the same way; "0" without one.
QString NameBeforeExtension(const QString& text);

// True when the text ends in a media file's extension (.asf, .wmv, .wma,
// .wm), all in lower case or all in upper case: a stored clip rather than a
// live publishing point, a media file rather than a redirector.
bool HasMediaEnding(const QString& text);

// The text with its %-escapes decoded once, as UTF-8 ("%E7%A9%BA%20a" is
// "空 a", "%2541" is "%41"): the name a server knows a stream by, and a file
// name the user can read. The escape of "/", "\", ":" or of a control
// character stays as it is, so a decoded text never names other folders, nor
// holds a byte a name cannot; a text whose escapes are no UTF-8 stays whole.
QString DecodeEscapesOnce(const QString& text);

// True when the text names a local file by its path rather than a URL.
bool IsLocalPath(const QString& text);

// The folder of a path: everything up to and including its last folder
// separator; empty when it has none.
QString FolderOfPath(const QString& path);

}  // namespace tovrin
