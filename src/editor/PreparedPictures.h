#pragma once
// Pictures made fit for a page in the background as they are added: turned
// upright, scaled to at most twice the screen, and in a kind the reader shows
// (the authoring library decides how). The made files wait in the editor's
// work folder; the source files are only read.
#include "authoring/VerifiedPictures.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QThreadPool>

namespace tirvelo::editor {

class PreparedPictures : public QObject {
    Q_OBJECT
public:
    explicit PreparedPictures(QString workFolder, QObject* parent = nullptr);
    ~PreparedPictures() override;

    // Starts making source fit, unless it was already.
    void prepare(const QString& source);
    // Waits until every picture asked for is made.
    void waitForAll();
    // The file made for source, or source itself (ready or not, or already fit).
    QString fileFor(const QString& source) const;
    // Every source with the file made for it (only those that changed).
    QHash<QString, QString> made() const;
    bool failed(const QString& source) const;
    // The files made, and the sources kept as they were, once the reader's
    // own loader has decoded them (as they were made, in the background).
    authoring::VerifiedPictures verified() const;

signals:
    void prepared(const QString& source);

private:
    void make(const QString& source, int number);

    QString m_folder;
    QThreadPool m_pool;
    mutable QMutex m_mutex;
    QHash<QString, QString> m_made;
    QSet<QString> m_asked;
    QSet<QString> m_failed;
    authoring::VerifiedPictures m_verified;
    int m_count = 0;
};

} // namespace tirvelo::editor
