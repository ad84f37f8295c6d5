#pragma once
// Qt's own texts (the file dialog, the buttons of message boxes) in Russian, like the rest of
// the window, whatever the desktop's language.

class QCoreApplication;

// Makes Russian the default locale and installs Qt's Russian translation into `application`;
// false when the translation files are missing (Qt's texts then stay English).
bool InstallRussian(QCoreApplication& application);
