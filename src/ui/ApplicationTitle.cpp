#include "ApplicationTitle.h"

#include <QApplication>
#include <QIcon>

#include "core/EditionConfig.h"
#include "core/EditionTable.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

QString& Title() {
    static QString title;
    return title;
}

}  // namespace

const QString& ApplicationTitle() {
    return Title();
}

void SetApplicationTitle(const QString& title) {
    Title() = title;
}

void ApplyEditionTitle(const EditionConfig& edition) {
    SetApplicationTitle(QString::fromStdString(edition.Name));
    if (const EditionRow* row = FindEdition(edition.Name)) {
        QApplication::setWindowIcon(
            QIcon(QString::fromStdString(ProgramDir() + "icons/" + row->IconResource + ".png")));
    }
}

}  // namespace mw
