#pragma once

#include "search/ResultForm.h"

#include <QByteArrayList>
#include <QString>

// What `scrivlist --list PHRASE [OPTION]... [--] FOLDER...` asks for. The
// argument right after --list is the phrase, whatever it begins with; then
// options and folders mix until "--", after which every argument is a folder.
struct ListRequest {
    QString phrase; // as given: "*" is taken out when it is searched
    ResultForm form = ResultForm::PathAndFilename;
    bool includeSubfolders = true;
    // As given; each as a skip entry of the folder list holds it after its minus.
    QByteArrayList skips;
    bool nulEnded = false;
    QByteArrayList folders; // as given, in order
};

struct ListArguments {
    enum class Outcome { List, ShowHelp, ShowVersion, Refuse };
    Outcome outcome = Outcome::List;
    ListRequest request;
    QString refusal; // Refuse: the one line, without the program's name
};

// The arguments after --list. The first of --help, --version or a bad option
// decides; then a phrase that is not valid UTF-8, a blank phrase (empty or
// spaces only, as Start Searching refuses it) and a missing folder are refused.
ListArguments parseListArguments(const QByteArrayList& arguments);
