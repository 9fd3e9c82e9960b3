#pragma once

#include <QString>

class QTranslator;

namespace tovrin {

class SettingsStore;

// The languages Tovrin speaks: Traditional Chinese, its own, or English.
// `name` as the Language setting and the window's --lang write it ("zh_TW",
// "en"); nothing for any other.
bool IsKnownLanguage(const QString& name);

// The language of the program's texts and of what the system adds to them:
// `given` (the window's --lang) when it is known, else the Language setting
// when it is known, else Traditional Chinese.
QString ChosenLanguage(const QString& given, const SettingsStore& store);

// Loads into `translator` Qt's own translation of the texts Qt adds itself
// (a socket's reason for failing, the standard dialogs' buttons) for
// `language`, so both front ends tell them in the user's language. Qt speaks
// English by itself: for "en" nothing is loaded, and that is no failure. False
// when the translation is missing.
bool LoadQtTranslation(QTranslator& translator, const QString& language);

}  // namespace tovrin
