#pragma once

#include <QString>

class Desktop;

// Where the user's questions go, and the page of the companion tool that
// searches inside files rather than by file name.
inline const QString ContactPage = QStringLiteral("https://www.quillmark.example/contact");
inline const QString CompanionToolPage = QStringLiteral("https://www.quillmark.example/textsearch");

// Names the contact page in a plain box with the application title;
// returns when the box is closed.
void showHelp(Desktop& desktop);

// Hands the companion tool's page to the desktop without waiting; whether
// the desktop managed to open it is not looked at.
void openCompanionToolPage(Desktop& desktop);
