#include "tools/Commands.h"

#include "authoring/epub/EpubImport.h"
#include "desktop/InterfaceLanguage.h"
#include "authoring/BookCheck.h"
#include "tools/BookMaker.h"
#include "tools/ReportOutput.h"
#include "tools/ToolTexts.h"

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
    for (const QString& argument : arguments) {
        if (argument == u"--json")
            json = true;
        else if (argument.startsWith(u'-') && argument != u"-")
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

int runMake(const QStringList& arguments, QTextStream& out, QTextStream& err, InterfaceLanguage language)
{
    MakeOptions options;
    QStringList folders;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"-o" || argument == u"--output") {
            if (++i == arguments.size())
                return usage(err, language, kUsageError);
            options.book = arguments[i];
        } else if (argument == u"--windows") {
            options.windows = true;
        } else if (argument == u"--force") {
            options.force = true;
        } else if (argument.startsWith(u'-')) {
            return usage(err, language, kUsageError);
        } else {
            folders << argument;
        }
    }
    if (folders.size() != 1)
        return usage(err, language, kUsageError);
    options.folder = folders.constFirst();

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
    authoring::ImportOptions options;
    QStringList epubs;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"-o" || argument == u"--output") {
            if (++i == arguments.size())
                return usage(err, language, kUsageError);
            options.folder = arguments[i];
        } else if (argument == u"--force") {
            options.force = true;
        } else if (argument.startsWith(u'-')) {
            return usage(err, language, kUsageError);
        } else {
            epubs << argument;
        }
    }
    if (epubs.size() != 1)
        return usage(err, language, kUsageError);
    options.epub = epubs.constFirst();

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
    const InterfaceLanguage language = storedInterfaceLanguage();
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
