#include "tools/Commands.h"

#include "authoring/epub/EpubImport.h"
#include "desktop/InterfaceLanguage.h"
#include "authoring/BookCheck.h"
#include "modes/Settings.h"
#include "tools/BookMaker.h"
#include "tools/ReportOutput.h"
#include "tools/ToolTexts.h"

#include <optional>

namespace tirvelo::booktool {
namespace {

using authoring::checkBook;
using authoring::exitCodeFor;

constexpr int kUsageError = 2;

int usage(QTextStream& stream, InterfaceLanguage language, int code)
{
    stream << labelText(Label::Usage, language);
    return code;
}

int runCheck(const QStringList& arguments, QTextStream& out, QTextStream& err, InterfaceLanguage language)
{
    bool json = false;
    QStringList books;
    bool optionsEnded = false; // after "--", a name starting with "-" is a book
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == u"--")
            optionsEnded = true;
        else if (!optionsEnded && argument == u"--json")
            json = true;
        else if (!optionsEnded && argument.startsWith(u'-') && argument != u"-")
            return usage(err, language, kUsageError);
        else
            books << argument;
    }
    if (books.isEmpty())
        return usage(err, language, kUsageError);
    QList<BookReport> reports;
    for (const QString& book : books)
        reports << checkBook(book);
    if (json) {
        out << QString::fromUtf8(reportsJson(reports, language));
    } else {
        for (const BookReport& report : reports)
            out << reportText(report, language);
    }
    return exitCodeFor(reports);
}

// The arguments of make and import: one operand, "-o"/"--output" with its
// value, and the flags each command takes. nullopt for anything else.
struct WriteArguments {
    QString operand;
    QString output;
    QStringList flags;
};

std::optional<WriteArguments> writeArguments(const QStringList& arguments, const QStringList& allowedFlags)
{
    WriteArguments parsed;
    QStringList operands;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded) {
            operands << argument;
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"-o" || argument == u"--output") {
            if (++i == arguments.size())
                return std::nullopt;
            parsed.output = arguments[i];
        } else if (allowedFlags.contains(argument)) {
            parsed.flags << argument;
        } else if (argument.startsWith(u'-')) {
            return std::nullopt;
        } else {
            operands << argument;
        }
    }
    if (operands.size() != 1)
        return std::nullopt;
    parsed.operand = operands.constFirst();
    return parsed;
}

int runMake(const QStringList& arguments, QTextStream& out, QTextStream& err, InterfaceLanguage language)
{
    const std::optional<WriteArguments> parsed = writeArguments(arguments, {QStringLiteral("--windows"), QStringLiteral("--force")});
    if (!parsed)
        return usage(err, language, kUsageError);
    MakeOptions options;
    options.folder = parsed->operand;
    options.book = parsed->output;
    options.windows = parsed->flags.contains(u"--windows"_qs);
    options.force = parsed->flags.contains(u"--force"_qs);

    const BookPlan plan = makeBook(options);
    if (plan.refusal != Refusal::None) {
        err << "tirvelo-llibre: " << refusalText(plan.refusal, plan.refusedName, language) << '\n'
            << labelText(Label::NothingWritten, language) << '\n';
        return kUsageError;
    }
    out << labelText(Label::Written, language).replace(QStringLiteral("%1"), plan.bookPath) << '\n';
    for (const QString& unused : plan.unusedFiles)
        out << labelText(Label::Warning, language) << ": " << labelText(Label::UnusedFile, language).replace(QStringLiteral("%1"), unused) << '\n';
    // The book just written is checked as `check` would.
    const BookReport report = checkBook(plan.bookPath);
    out << reportText(report, language);
    return exitCodeFor({report});
}

int runImport(const QStringList& arguments, QTextStream& out, QTextStream& err, InterfaceLanguage language)
{
    const std::optional<WriteArguments> parsed = writeArguments(arguments, {QStringLiteral("--force")});
    if (!parsed)
        return usage(err, language, kUsageError);
    authoring::ImportOptions options;
    options.epub = parsed->operand;
    options.folder = parsed->output;
    options.force = parsed->flags.contains(u"--force"_qs);

    const authoring::ImportResult result = authoring::importEpub(options);
    if (result.error != authoring::ImportError::None) {
        err << "tirvelo-llibre: " << authoring::importErrorText(result, language) << '\n'
            << labelText(Label::NothingWritten, language) << '\n';
        return kUsageError;
    }
    out << labelText(Label::Written, language).replace(QStringLiteral("%1"), result.bookPath) << '\n';
    for (const authoring::ImportWarning& warning : result.warnings)
        out << labelText(Label::Warning, language) << ": " << authoring::importWarningText(warning, language) << '\n';
    out << reportText(result.report, language);
    return exitCodeFor({result.report});
}

} // namespace

int runBookTool(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const InterfaceLanguage language = Settings().language();
    const QString command = arguments.value(0);
    if (command == u"check")
        return runCheck(arguments.mid(1), out, err, language);
    if (command == u"make")
        return runMake(arguments.mid(1), out, err, language);
    if (command == u"import")
        return runImport(arguments.mid(1), out, err, language);
    if (command == u"--help" || command == u"-h")
        return usage(out, language, 0);
    return usage(err, language, kUsageError);
}

} // namespace tirvelo::booktool
