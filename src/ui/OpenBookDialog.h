#pragma once
// The open-book dialog of "&Carregar llibre...": it remembers the filter and the
// name chosen last, and leaves the process in the chosen book's folder, from
// which relative directory lines and page names are resolved.
#include <QString>
#include <optional>

class QWidget;

namespace tirvelo {

class OpenBookDialog {
public:
    // The chosen name as typed or picked; none when cancelled.
    std::optional<QString> choose(QWidget* parent, const QString& title);

    int filterIndex() const { return m_filterIndex; }
    QString lastName() const { return m_lastName; }

private:
    int m_filterIndex = 0;
    QString m_lastName;
};

} // namespace tirvelo
