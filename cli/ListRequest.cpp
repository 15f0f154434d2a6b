#include "cli/ListRequest.h"

#include "search/SearchPhrase.h"

#include <QFile>
#include <QStringDecoder>

#include <optional>

namespace {

ListArguments refused(const QString& line)
{
    ListArguments parsed;
    parsed.outcome = ListArguments::Outcome::Refuse;
    parsed.refusal = line;
    return parsed;
}

ListArguments only(ListArguments::Outcome outcome)
{
    ListArguments parsed;
    parsed.outcome = outcome;
    return parsed;
}

std::optional<ResultForm> formNamed(const QByteArray& name)
{
    if (name == "path")
        return ResultForm::PathAndFilename;
    if (name == "name")
        return ResultForm::JustFilename;
    if (name == "folder")
        return ResultForm::JustPath;
    if (name == "subfolder")
        return ResultForm::JustSubfolder;
    return std::nullopt;
}

std::optional<QString> decodedUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

const QString SeeHelp = QStringLiteral(" (see scrivlist --help)");

} // namespace

ListArguments parseListArguments(const QByteArrayList& arguments)
{
    if (arguments.isEmpty())
        return refused(QStringLiteral("--list needs a PHRASE and a FOLDER") + SeeHelp);
    ListArguments parsed;
    ListRequest& request = parsed.request;
    bool optionsEnded = false;
    for (qsizetype position = 1; position < arguments.size(); ++position) {
        const QByteArray& argument = arguments[position];
        // A lone "-" is a name like any other.
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            request.folders << argument;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help")
            return only(ListArguments::Outcome::ShowHelp);
        if (argument == "--version")
            return only(ListArguments::Outcome::ShowVersion);
        if (argument == "--no-subfolders") {
            request.includeSubfolders = false;
            continue;
        }
        if (argument == "--null" || argument == "-0") {
            request.nulEnded = true;
            continue;
        }
        // --form and --skip take a value, next or joined with "=".
        const qsizetype equals = argument.indexOf('=');
        const QByteArray name = equals < 0 ? argument : argument.left(equals);
        const QString shown = QFile::decodeName(name);
        if (name != "--form" && name != "--skip")
            return refused(QStringLiteral("unknown option '%1' with --list (a folder whose name begins with '-' "
                                          "goes after '--')")
                               .arg(QFile::decodeName(argument))
                           + SeeHelp);
        QByteArray value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (position + 1 < arguments.size()) {
            value = arguments[++position];
        } else {
            return refused(QStringLiteral("option '%1' needs a value").arg(shown) + SeeHelp);
        }
        if (name == "--skip") {
            if (value.isEmpty())
                return refused(QStringLiteral("--skip needs a folder or a folder's name"));
            request.skips << value;
            continue;
        }
        // The last --form counts.
        const std::optional<ResultForm> form = formNamed(value);
        if (!form)
            return refused(
                QStringLiteral("--form takes path, name, folder or subfolder, not '%1'").arg(QFile::decodeName(value)));
        request.form = *form;
    }
    const std::optional<QString> phrase = decodedUtf8(arguments.first());
    if (!phrase)
        return refused(QStringLiteral("the phrase is not valid UTF-8"));
    if (isBlankPhrase(*phrase))
        return refused(QStringLiteral("--list needs a phrase that is not empty or only spaces"));
    if (request.folders.isEmpty())
        return refused(QStringLiteral("--list needs a FOLDER") + SeeHelp);
    request.phrase = *phrase;
    return parsed;
}
