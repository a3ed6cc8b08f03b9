#include "Main.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QBitmap>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTextEdit>
#include <QWindow>

#include "About.h"
#include "ApplicationTitle.h"
#include "Dialogs.h"
#include "DownloadPages.h"
#include "FinishPage.h"
#include "FormatPage.h"
#include "HelpLinkFuncs.h"
#include "ImageButton.h"
#include "InputPage.h"
#include "Log.h"
#include "ModePage.h"
#include "PageWidgets.h"
#include "Placements.h"
#include "ProgressPage.h"
#include "Shutdown.h"
#include "Theme.h"
#include "convert/CompletionActions.h"
#include "convert/ConversionDriver.h"
#include "core/EditionTable.h"
#include "core/Placement.h"
#include "core/Platform.h"
#include "core/SettingsFolder.h"
#include "core/UtilFuncs.h"
#include "engine/FFmpegLogger.h"
#include "formats/FormatCatalog.h"
#include "youtube/DownloadRun.h"

namespace mw {

namespace {

constexpr QSize kDesignedWindow(760, 550);
constexpr QRect kDesignedPages(203, 74, 540, 418);
const QColor kTransparentKey(255, 0, 255);

QLabel* NewLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

ImageButton* NewImageButton(const char* name, QPoint at, QWidget* parent) {
    auto* button = new ImageButton(parent);
    button->setObjectName(name);
    button->move(at);
    return button;
}

// Enter presses a push button that has the focus (check boxes and radio buttons leave it to
// the window).
bool PressFocusedButton(QWidget* focus) {
    auto* button = qobject_cast<QAbstractButton*>(focus);
    if (!button || button->isCheckable()) {
        return false;
    }
    if (button->isEnabled()) {
        button->click();
    }
    return true;
}

// Lists and text boxes keep Enter for themselves: it must not leave the page from there.
bool TakesEnterItself(const QWidget* focus) {
    return qobject_cast<const QAbstractItemView*>(focus) || qobject_cast<const QLineEdit*>(focus) ||
           qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QTextEdit*>(focus) ||
           qobject_cast<const QAbstractSpinBox*>(focus);
}

// The button shows its action's caption and enabled state and triggers it.
void BindButton(ImageButton* button, QAction* action) {
    button->setText(action->text());
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    });
}

}  // namespace

TFormMain::TFormMain(const EditionConfig& edition, TFormLog& log, CompletionPlatform& completion,
                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_edition(edition),
      m_log(log),
      m_completion(completion) {
    setObjectName("FormMain");
    setAttribute(Qt::WA_TranslucentBackground, false);
    resize(kDesignedWindow);
    CreateControls();

    // Every library message reaches the log window, in full detail.
    TFFLogger& logger = TFFLogger::Instance();
    logger.SetOnLog(
        [this](const void*, std::uint32_t threadId, TLogLevel level, const std::string& text) {
            m_log.AddLogLine(QString("#%1.%2: %3")
                                 .arg(threadId)
                                 .arg(static_cast<int>(level))
                                 .arg(QString::fromStdString(text)));
        });
    logger.SetLogLevel(llDebug);

    m_driver = std::make_unique<ConversionDriver>(
        m_engine, m_settings, m_edition.Merge,
        [this](const std::string& line) { m_log.AddLogLine(QString::fromStdString(line)); });
    m_driver->OnChanged = [this] {
        m_progressPage->Render(*m_driver);
        ShowRunProgress();
    };
    m_driver->OnFinish = [this] { FinishRun(); };

    try {
        CreationSequence();
    } catch (const std::exception& error) {
        m_startupFailed = true;
        ShowErrorText(this, QString::fromStdString(error.what()));
    }
}

TFormMain::~TFormMain() {
    TFFLogger::Instance().SetOnLog(nullptr);
}

void TFormMain::CreateControls() {
    m_topLogo = NewLabel("ImageTopLogo", this);
    m_topLogo->move(10, 4);
    m_leftLogo = NewLabel("ImageLeftLogo", this);
    m_leftLogo->move(10, 74);
    for (QLabel* logo : {m_topLogo, m_leftLogo}) {
        logo->installEventFilter(this);
    }
    m_title = NewLabel("LabelTitle", this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    m_title->setFont(titleFont);
    m_title->setWordWrap(true);
    m_title->setGeometry(24, 43, 716, 28);
    m_version = NewLabel("LabelVersion", this);
    m_moreTools = NewLabel("LabelMoreTools", this);
    m_moreTools->setCursor(Qt::PointingHandCursor);
    m_moreTools->installEventFilter(this);

    m_min = NewImageButton("ButtonMin", {696, 4}, this);
    m_close = NewImageButton("ButtonClose", {728, 4}, this);
    m_help = NewImageButton("ButtonHelp", {40, 510}, this);
    m_logButton = NewImageButton("ButtonLog", {138, 510}, this);
    m_back = NewImageButton("ButtonBack", {426, 510}, this);
    m_next = NewImageButton("ButtonNext", {522, 510}, this);
    m_exit = NewImageButton("ButtonExit", {672, 510}, this);
    connect(m_min, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(m_close, &QAbstractButton::clicked, this, &QWidget::close);

    const auto action = [this](const char* name, const QString& caption) {
        auto* created = new QAction(caption, this);
        created->setObjectName(name);
        addAction(created);
        return created;
    };
    m_actionNext = action("ActionNext", "Next");
    m_actionBack = action("ActionBack", "Back");
    m_actionExit = action("ActionExit", "Exit");
    // Alt+F4 asks the Exit questions instead of closing at once.
    m_actionExit->setShortcut(QKeySequence("Alt+F4"));
    QAction* actionHelp = action("ActionHelp", "Help");
    QAction* actionLog = action("ActionLog", "Log");
    connect(m_actionNext, &QAction::triggered, this, &TFormMain::ActionNextExecute);
    connect(m_actionBack, &QAction::triggered, this, &TFormMain::ActionBackExecute);
    connect(m_actionExit, &QAction::triggered, this, &TFormMain::ActionExitExecute);
    connect(actionHelp, &QAction::triggered, this, &TFormMain::ButtonHelpClick);
    connect(actionLog, &QAction::triggered, &m_log, &TFormLog::ShowLog);
    BindButton(m_next, m_actionNext);
    BindButton(m_back, m_actionBack);
    BindButton(m_exit, m_actionExit);
    BindButton(m_help, actionHelp);
    BindButton(m_logButton, actionLog);

    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName("PopupMenuHelp");
    const auto page = [this](const char* name, const QString& caption, EditionPageKind kind) {
        QAction* entry = m_helpMenu->addAction(caption);
        entry->setObjectName(name);
        connect(entry, &QAction::triggered, this,
                [this, kind] { OpenEditionPage(m_edition.Name, kind); });
        return entry;
    };
    QAction* helpContent = page("ActionHelpContent", "Help Content", EditionPageKind::HelpContents);
    helpContent->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(helpContent);
    page("ActionHowTosTutorialVideos", "How Tos && Tutorial Videos...",
         EditionPageKind::HowToVideos);
    m_helpMenu->addSeparator();
    page("ActionHomePage", "Home Page...", EditionPageKind::HomePage);
    m_actionMoreTools =
        page("ActionMoreFreeTools", "More Free Tools...", EditionPageKind::MoreTools);
    MakePressable(*m_moreTools, [this] { m_actionMoreTools->trigger(); });
    m_helpMenu->addSeparator();
    page("ActionCheckforUpdates", "Check for Updates...", EditionPageKind::Updates);
    page("ActionContactTechnicalSupport", "Contact Technical Support...", EditionPageKind::Support);
    m_helpMenu->addSeparator();
    QAction* about = m_helpMenu->addAction("About");
    about->setObjectName("ActionAbout");
    connect(about, &QAction::triggered, this, [this] { ShowAboutWindow(m_edition, *this); });

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName("PageControlMain");
    m_pages->setGeometry(kDesignedPages);
    const auto logLine = [this](const std::string& line) {
        m_log.AddLogLine(QString::fromStdString(line));
    };
    m_modePage = new ModePage(m_pages);
    m_inputPage = new InputPage(m_inputs, m_engine, m_settings, m_edition.Name, logLine, m_pages);
    m_formatPage = new FormatPage(m_settings, m_pages);
    m_progressPage = new ProgressPage(m_settings, m_pages);
    m_finishPage = new FinishPage(m_settings, m_pages);
    m_downloadPage = new DownloadPage(m_settings, m_pages);
    m_downloadProgressPage = new DownloadProgressPage(m_pages);
    m_downloadFinishPage = new DownloadFinishPage(m_settings, m_pages);
    for (QWidget* pageWidget : std::initializer_list<QWidget*>{
             m_modePage, m_inputPage, m_formatPage, m_progressPage, m_finishPage, m_downloadPage,
             m_downloadProgressPage, m_downloadFinishPage}) {
        m_pages->addWidget(pageWidget);
    }
    connect(m_pages, &QStackedWidget::currentChanged, this, &TFormMain::RefreshPage);
    m_downloadProgressPage->OnRunEnded = [this] { ShowDownloadSummary(); };
    m_downloadProgressPage->OnLogLine = [this](const QString& line) { m_log.AddLogLine(line); };
    connect(m_downloadFinishPage->ButtonConvertDownloaded(), &QPushButton::clicked, this,
            &TFormMain::ConvertDownloaded);

    // Tab leads through the page, then along the bottom row from left to right, then to the
    // title bar's buttons.
    setTabOrder(m_exit, m_min);
    setTabOrder(m_min, m_close);
}

void TFormMain::CreationSequence() {
    const QString title = QString::fromStdString(m_edition.Name);
    setWindowTitle(title);
    m_finishPage->SetTitle(title);
    m_downloadFinishPage->SetTitle(title);
    m_version->setText(QString("Version: %1").arg(QString::fromStdString(m_edition.Version)));
    const int skin = m_edition.SkinNumber();
    const SkinImages images = LoadSkinImages(ImageFolder(m_edition));
    ApplySkin(images, skin);

    const EditionRow* row = FindEdition(m_edition.Name);
    if (row && row->CompactWindow) {
        for (QWidget* hidden :
             std::initializer_list<QWidget*>{m_version, m_moreTools, m_help, m_logButton}) {
            hidden->hide();
        }
    }

    LoadSettingsAndPlacement();
    RefreshPage();

    if (!m_engine.LibrariesLoaded() && !m_engine.LoadLibraries(ProgramDir() + "lib")) {
        m_log.AddLogLine(QString::fromStdString(m_engine.LastErrorMessage()));
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto clipboardChanged = [this, clipboard] {
        const QMimeData* offered = clipboard->mimeData();
        m_clipboardLacksText = !(offered && offered->hasText());
        m_downloadPage->SetClipboardHasText(!m_clipboardLacksText);
    };
    connect(clipboard, &QClipboard::dataChanged, this, clipboardChanged);
    clipboardChanged();
    GoToStartPage();
    QMetaObject::invokeMethod(this, &TFormMain::StartupDone, Qt::QueuedConnection);
}

void TFormMain::ApplySkin(const SkinImages& images, int skin) {
    m_background = images.Main;
    resize(m_background.size());
    setMask(m_background.createMaskFromColor(kTransparentKey, Qt::MaskInColor));
    m_topLogo->setPixmap(images.TopLogo);
    m_topLogo->adjustSize();
    m_leftLogo->setPixmap(images.LeftLogo);
    m_leftLogo->adjustSize();
    m_modePage->SetPictures(images.DownloadVideo, images.ConvertVideo);
    m_min->SetPictures({images.Min.begin(), images.Min.end()});
    m_close->SetPictures({images.Close.begin(), images.Close.end()});
    for (ImageButton* button : {m_help, m_logButton, m_back, m_next, m_exit}) {
        button->SetPictures({images.Bottom.begin(), images.Bottom.end()});
    }

    m_inputPage->SetDvdVisible(m_edition.DVD);

    QColor titleColor(0x1d, 0x2b, 0x3e);
    QColor infoColor(128, 128, 128);
    if (const std::optional<SkinLayout> layout = SkinLayoutOf(skin)) {
        m_min->move(layout->Min);
        m_close->move(layout->Close);
        m_help->move(layout->Help);
        m_helpMenuOffset = layout->HelpMenuOffset;
        m_logButton->move(layout->Log);
        m_back->move(layout->Back);
        m_next->move(layout->Next);
        m_exit->move(layout->Exit);
        m_pages->move(layout->PageControl);
        m_title->move(layout->Title);
        infoColor = layout->InfoText;
        if (infoColor == Qt::white) {
            titleColor = Qt::white;
        }
    }
    m_title->resize(width() - m_title->x() - 16, m_title->height());
    for (QLabel* label : {m_version, m_moreTools}) {
        label->setStyleSheet(QString("QLabel { color: %1; border: 1px solid transparent; }"
                                     "QLabel:focus { border: 1px dotted %1; }")
                                 .arg(infoColor.name()));
    }
    m_title->setStyleSheet(QString("color: %1;").arg(titleColor.name()));
    const QRect logo = m_leftLogo->geometry();
    m_version->setGeometry(logo.left() + 6, logo.bottom() + 6, logo.width(), 18);
    m_moreTools->setGeometry(logo.left() + 6, logo.bottom() + 24, logo.width(), 18);

    m_formatPage->LayoutButtons(m_edition);
    ApplyTheme(*m_pages, images.Accent());
}

void TFormMain::LoadSettingsAndPlacement() {
    m_settingsFolder = PrepareSettingsFolder(ShellFolderPath("AppData"), m_edition.Name);
    m_log.SetSettingsFolder(m_settingsFolder);
    AssignDefaultSettings(m_settings, m_edition, ShellFolderPath("Personal"));
    const bool existed =
        LoadSettings(m_settings, m_settingsFolder + std::string(kSettingsFileName));
    // A shutdown applies to the run it was chosen for, never to one of a later start.
    m_settings.ShutDownWhenFinished = false;
    KeepEnabledFormats(m_settings, m_edition);
    if (!existed) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            move((area.width() - width()) / 2, (area.height() - height()) / 2);
        }
    }
    m_formatPage->FillPresetLists();
    setAcceptDrops(true);
    RestoreWindowPlacement(*this, kMainPlacementSection, m_settingsFolder);
}

void TFormMain::StartupDone() {
    show();
    const EditionRow* row = FindEdition(m_edition.Name);
    const bool simple = row && row->SimpleAbout;
    m_moreTools->setText(simple ? "more tools..." : "more free tools...");
    m_actionMoreTools->setText(simple ? "More Tools..." : "More Free Tools...");
    emit StartupFinished();
}

void TFormMain::ButtonHelpClick() {
    const QPoint at(x() + m_help->x() + m_helpMenuOffset, y() + m_help->y() + m_help->height());
    m_helpMenu->popup(at);
}

void TFormMain::StartRun() {
    // A close that came before the posted start leaves nothing to run.
    if (m_closing) {
        return;
    }
    m_driver->StartRun(m_inputs);
    emit RunStarted();
}

void TFormMain::FinishRun() {
    if (m_closing) {
        return;
    }
    const std::string refused =
        RunCompletionActions(m_settings, m_driver->RunSucceeded(), m_driver->RunTotalFiles(),
                             m_completion, [this] { return RunShutdownCountdown(this); });
    // The shutdown was chosen for this run only.
    m_settings.ShutDownWhenFinished = false;
    SetPage(WizardPage::Step4);
    m_finishPage->ShowSummary(*m_driver);
    if (!refused.empty()) {
        const QString text =
            "The computer could not be shut down: " + QString::fromStdString(refused);
        m_log.AddLogLine(text);
        ShowNotice(this, text);
    }
}

void TFormMain::ShowRunProgress() {
    const QString title = QString::fromStdString(m_edition.Name);
    if (!m_driver->Running()) {
        setWindowTitle(title);
        return;
    }
    setWindowTitle(QString("%1% - %2 of %3 files done - %4")
                       .arg(m_driver->RunPercent())
                       .arg(m_driver->FilesDone())
                       .arg(m_driver->RunTotalFiles())
                       .arg(title));
}

void TFormMain::DropFiles(const std::vector<std::string>& names) {
    m_inputPage->DropFiles(names);
}

void TFormMain::OpenFiles(const std::vector<std::string>& names) {
    SetPage(WizardPage::Step1);
    DropFiles(names);
}

void TFormMain::paintEvent(QPaintEvent*) {
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_background);
    }
}

QString TFormMain::CloseQuestion(bool fromSystem) const {
    // A run under way is cancelled only on Yes to its own question; conversions are the only
    // runs so far.
    if (m_driver->Running()) {
        return kCancelConversionQuestion;
    }
    if (fromSystem && ExitQuits()) {
        return kQuitQuestion;
    }
    return {};
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        const QString question = CloseQuestion(event->spontaneous());
        if (!question.isEmpty() && !AskQuestion(this, question)) {
            event->ignore();
            return;
        }
    }
    m_closing = true;
    m_engine.SetOnProgress(nullptr);
    m_engine.SetOnTerminate(nullptr);
    m_engine.SetOnCustomHook(nullptr);
    m_engine.StopTasks(true);
    // Both transfers stop and the partial file goes; no summary follows.
    m_downloadRun.reset();
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    // Settings are written only once they were read from their folder.
    if (!m_settingsFolder.empty()) {
        try {
            SaveSettings(m_settings, m_settingsFolder + std::string(kSettingsFileName));
            SaveWindowPlacement(*this, kMainPlacementSection, m_settingsFolder);
            m_log.SavePlacement();
        } catch (const std::exception& error) {
            ShowErrorText(this, QString::fromStdString(error.what()));
        }
    }
    m_log.hide();
    event->accept();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && Page() == WizardPage::Step1) {
        event->acceptProposedAction();
    }
}

void TFormMain::dropEvent(QDropEvent* event) {
    if (Page() != WizardPage::Step1) {
        return;
    }
    std::vector<std::string> names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            names.push_back(url.toLocalFile().toStdString());
        }
    }
    event->acceptProposedAction();
    DropFiles(names);
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    constexpr Qt::KeyboardModifiers kChords =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier;
    if (event->modifiers() & kChords) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Escape:
            m_actionExit->trigger();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The keys the page's controls left alone come here.
            if (PressFocusedButton(focusWidget())) {
                return;
            }
            if (!TakesEnterItself(focusWidget())) {
                m_actionNext->trigger();
            }
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_moreTools && event->type() == QEvent::MouseButtonRelease) {
        m_actionMoreTools->trigger();
        return true;
    }
    if ((watched == m_topLogo || watched == m_leftLogo) &&
        event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton && windowHandle()) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mw
