// The desktop program: reads the edition, creates the log and main windows and runs the
// event loop until the main window closes.
#include <QApplication>
#include <QIcon>

#include "convert/CompletionActions.h"
#include "core/EditionConfig.h"
#include "core/EditionTable.h"
#include "core/UtilFuncs.h"
#include "ui/ApplicationTitle.h"
#include "ui/Log.h"
#include "ui/Main.h"
#include "ui/QtMainThread.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;

    const mw::EditionConfig edition = mw::LoadEditionConfig(mw::EditionFilePath());
    const QString title = QString::fromStdString(edition.Name);
    mw::SetApplicationTitle(title);
    if (const mw::EditionRow* row = mw::FindEdition(edition.Name)) {
        QApplication::setWindowIcon(QIcon(
            QString::fromStdString(mw::ProgramDir() + "icons/" + row->IconResource + ".png")));
    }

    mw::TFormLog log;
    mw::TFormMain main(edition, log, mw::SystemCompletionPlatform());
    main.show();
    return QApplication::exec();
}
