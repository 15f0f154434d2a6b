#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A file name may hold any byte but "/" and NUL, escape sequences included.
// On a terminal a line that holds a control character (C0, DEL, or C1 in
// UTF-8) or bytes that are not UTF-8 is shown quoted as the shell reads it
// back, as ls shows such names: "a<LF>b" as 'a'$'\n''b'. Then no name can
// drive the terminal, and a pasted line still names the file. Any other line
// is shown as it is.
bool needsQuotingOnTerminal(QByteArrayView line);
QByteArray quotedForTerminal(QByteArrayView line);
