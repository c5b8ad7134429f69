#pragma once
// The document: every piece of data lives in the database, so it holds nothing of its own.

#include <QObject>
#include <QString>

class QDataStream;

class CVeltoraDoc : public QObject {
    Q_OBJECT
public:
    CVeltoraDoc();
    ~CVeltoraDoc() override;

    // The framework's new-document step: names the document after the template string.
    virtual bool OnNewDocument();
    virtual void Serialize(QDataStream& archive);

    const QString& GetTitle() const { return m_strTitle; }

    // Field `index` of the template string (string 128): 0 window title, 1 document name, 2 new-file
    // name, 3 filter, 4 extension, 5 registry type id, 6 registry type name.
    static QString GetDocString(int index);

private:
    QString m_strTitle;
};
