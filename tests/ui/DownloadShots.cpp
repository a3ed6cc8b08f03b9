// Photographs the download pages with a run under way and after it, for looking at them:
// mw-download-screenshots <output folder> <media file>. The local video site serves the
// media file for two of three pasted links (the first after a failed quality) and trickles
// a long video for the third, so that the pictures of Step6 show a transfer going on.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "convert/CompletionActions.h"
#include "core/EditionConfig.h"
#include "support/VideoSite.h"
#include "ui/ApplicationTitle.h"
#include "ui/Dialogs.h"
#include "ui/DownloadPages.h"
#include "ui/Log.h"
#include "ui/Main.h"
#include "ui/QtMainThread.h"
#include "ui/YouTubeHQ.h"

namespace {

using mw::test::MediaAnswer;
using mw::test::VideoSite;

class QuietCompletion : public mw::CompletionPlatform {
public:
    void PlaySound(const std::string&) override {}
    std::string PowerOff() override { return {}; }
};

void Save(QWidget& window, const QString& file) {
    QCoreApplication::processEvents();
    window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
    std::fflush(stdout);
}

void WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// OK to every notice; photographs the quality dialog and the pop-up menu's questions.
class Answers : public mw::DialogResponder {
public:
    explicit Answers(QDir out) : m_out(std::move(out)) {}

    QMessageBox::StandardButton Message(const mw::MessageRequest& request) override {
        std::printf("message: %s\n", qPrintable(request.Text));
        return request.Buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
    int Modal(QDialog& dialog) override {
        dialog.show();
        Save(dialog, m_out.filePath("quality-dialog.png"));
        dialog.hide();
        return QDialog::Rejected;
    }
    std::vector<std::string> OpenFiles(const mw::FileRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const mw::FileRequest&) override { return {}; }
    std::optional<std::string> Folder(const QString&, const std::string&) override { return {}; }

private:
    QDir m_out;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;
    if (argc != 3) {
        std::fprintf(stderr, "usage: mw-download-screenshots <output folder> <media file>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const std::string media = argv[2];
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    VideoSite site;
    site.SetUp();
    site.Add({"shot1",
              "A walk &amp; a talk",
              {{"18", MediaAnswer::Of(MediaAnswer::Kind::NotFound)},
               {"35", MediaAnswer::OfFile(media)}}});
    site.Add({"shot2", "Second clip", {{"18", MediaAnswer::OfFile(media)}}});
    site.Add({"shot3", "A long one", {{"18", MediaAnswer::Of(MediaAnswer::Kind::Slow, 2 << 20)}}});

    QuietCompletion completion;
    mw::EditionConfig edition = mw::LoadEditionConfig(mw::EditionFilePath());
    mw::ApplyEditionTitle(edition);
    mw::TFormLog log;
    mw::TFormMain main(edition, log, completion);
    Answers answers(out);
    const mw::ScopedDialogResponder scope(answers);
    main.move(0, 0);
    main.show();
    main.activateWindow();
    QApplication::setActiveWindow(&main);
    const auto shot = [&](const char* name) { Save(main, out.filePath(QString(name) + ".png")); };

    main.ActionNextExecute();
    main.Step5()->EditURLOutput()->setText(config.filePath("videos/"));
    shot("step5-empty");
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(VideoSite::Link("shot1") + "\nhttp://example.com/not-a-video\n" +
                               VideoSite::Link("shot2") + "\n" + VideoSite::Link("shot3")));
    QCoreApplication::processEvents();
    main.Step5()->ActionURLPaste()->trigger();
    main.Step5()->ListViewInputURL()->setCurrentRow(1);
    main.Step5()->ListViewInputURL()->setFocus(Qt::TabFocusReason);
    shot("step5-links");
    main.findChild<QWidget*>("ButtonYouTubeQualityConfig")->setFocus(Qt::TabFocusReason);
    main.findChild<QAbstractButton*>("ButtonYouTubeQualityConfig")->click();

    main.ActionNextExecute();
    bool firstShot = false;
    bool midShot = false;
    WaitUntil([&] {
        const QString quality = main.findChild<QLabel*>("LabelQuality")->text();
        if (!firstShot && quality.contains("failed, try next")) {
            firstShot = true;
            shot("step6-next-quality");
        }
        const QString current = main.findChild<QLabel*>("LabelURLCurrentFile")->text();
        const QString percent = main.findChild<QLabel*>("LabelProgressBarDownload")->text();
        if (!midShot && current == "A long one" && percent != "0%" &&
            percent.chopped(1).toInt() >= 30) {
            midShot = true;
            shot("step6-downloading");
        }
        return main.Page() == mw::WizardPage::Step7;
    });
    shot("step7");
    // The log names the resolver of each link.
    log.show();
    Save(log, out.filePath("log.png"));
    main.close();
    site.TearDown();
    return 0;
}
