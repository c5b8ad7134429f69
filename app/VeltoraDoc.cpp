#include "app/VeltoraDoc.h"

#include "platform/res/StringTable.h"

#include <QStringList>

CVeltoraDoc::CVeltoraDoc() = default;
CVeltoraDoc::~CVeltoraDoc() = default;

bool CVeltoraDoc::OnNewDocument() {
    m_strTitle = GetDocString(1);
    return true;
}

void CVeltoraDoc::Serialize(QDataStream&) {}

QString CVeltoraDoc::GetDocString(int index) {
    return res::LoadString(128).split(u'\n').value(index);
}
