#pragma once

#include <QLocale>

class QTranslator;

// Installs Qt's own translation for the language (the message boxes' buttons,
// the input boxes' context menus), so that Qt's standard texts match the
// window's Chinese. Looks in Qt's translations folder, then in a
// "translations" folder beside the program, where a build that carries its
// own Qt keeps them. Returns the translator, owned by the application, or
// nullptr when neither holds the language: Qt's texts then stay English.
// After the application exists.
QTranslator* LoadQtTranslation(const QLocale& locale = QLocale());
