// The desktop program: reads the edition, creates the log and main windows and runs the
// event loop until the main window closes.
#include <QApplication>

#include "convert/CompletionActions.h"
#include "core/EditionConfig.h"
#include "ui/ApplicationTitle.h"
#include "ui/Log.h"
#include "ui/Main.h"
#include "ui/QtMainThread.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;

    const mw::EditionConfig edition = mw::LoadEditionConfig(mw::EditionFilePath());
    mw::ApplyEditionTitle(edition);

    mw::TFormLog log;
    mw::TFormMain main(edition, log, mw::SystemCompletionPlatform());
    main.show();
    return QApplication::exec();
}
