#include "ui/OpenBookDialog.h"

#include "book/PathResolver.h"
#include "modes/Captions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

namespace tirvelo {
namespace {

// "Programes (*.Lumbrix)|*.Lumbrix|..." as Qt's name filters: each entry's
// text as written, followed by the patterns the dialog applies and does not
// show (QFileDialog::HideNameFilterDetails). "*.*" stands for every file in the
// text, but Qt would hide names without a dot with it: it is applied as "*".
QStringList qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';');
        for (QString& pattern : patterns)
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

} // namespace

std::optional<QString> OpenBookDialog::choose(QWidget* parent, const QString& title)
{
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // the chosen file need not exist; reading reports it
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = qtNameFilters(fixed_texts::OpenDialogFilter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(m_filterIndex));
    if (!m_lastName.isEmpty())
        dialog.selectFile(m_lastName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // The dialog names the chosen filter by the text it shows, without the patterns.
    const QString shown = dialog.selectedNameFilter();
    const auto chosenFilter = std::find_if(filters.begin(), filters.end(), [&](const QString& filter) {
        return filter == shown || filter.startsWith(shown + QStringLiteral(" ("));
    });
    m_filterIndex = chosenFilter == filters.end() ? 0 : int(chosenFilter - filters.begin());
    const QString chosen = dialog.selectedFiles().constFirst();
    m_lastName = chosen;
    // The dialog leaves the process in the chosen file's folder: relative
    // directory lines and page names are resolved from there. The folder as it
    // is on disk: a name typed in other letter case still finds the book.
    const QString found = resolveFileName(chosen);
    QDir::setCurrent(QFileInfo(found.isEmpty() ? chosen : found).absolutePath());
    return chosen;
}

} // namespace tirvelo
