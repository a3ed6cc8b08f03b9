#include "InputPage.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <filesystem>

#include "AddFailed.h"
#include "Busy.h"
#include "Dialogs.h"
#include "DvdSource.h"
#include "InputGrid.h"
#include "core/Platform.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "engine/FFmpegVCL.h"

namespace mw {

namespace {

// The filter of the open-file dialog; each group ends with the formats common on Linux.
constexpr const char* kOpenFilter =
    "All Supported "
    "Formats|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*."
    "OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;*.M4V;*.M2TS;*.OGV;*.3G2;*.MP3;*."
    "AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;"
    "*.TTA;*.AC3;*.DTS;*.OPUS;*.AIFF;*.OGA;|All Video Formats (all "
    "types)|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*."
    "OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;*.M4V;*.M2TS;*.OGV;*.3G2;|All "
    "Audio Formats (all "
    "types)|*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*."
    "OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;*.OPUS;*.AIFF;*.OGA;|All Files|*.*";

constexpr std::size_t kDroppedNameLimit = 255;
constexpr int kButtonLeft = 428;
constexpr int kButtonWidth = 108;

}  // namespace

InputPage::InputPage(InputList& inputs, TFFmpegVCL& engine, UserSettings& settings,
                     std::string edition, std::function<void(const std::string&)> log,
                     QWidget* parent)
    : QWidget(parent),
      m_inputs(inputs),
      m_engine(engine),
      m_settings(settings),
      m_edition(std::move(edition)),
      m_log(std::move(log)) {
    setObjectName("TabSheetStep1");
    m_model = new InputGridModel(m_inputs, this);
    m_grid = new NextGrid(this);
    m_grid->setModel(m_model);
    m_grid->setGeometry(0, 0, 420, 418);

    const auto action = [this](const char* name, const QString& caption,
                               const QKeySequence& shortcut) {
        auto* created = new QAction(caption, this);
        created->setObjectName(name);
        created->setShortcut(shortcut);
        created->setShortcutContext(Qt::WindowShortcut);
        addAction(created);
        return created;
    };
    m_add = action("ActionAdd", "&Add Video...", QKeySequence("Ctrl+O"));
    m_delete = action("ActionDelete", "&Delete", QKeySequence(Qt::Key_Delete));
    m_clear = action("ActionClear", "&Clear", QKeySequence("Shift+Del"));
    m_moveUp = action("ActionMoveUp", "&Move Up", {});
    m_moveDown = action("ActionMoveDown", "M&ove Down", {});
    m_play = action("ActionPlay", "&Play", QKeySequence("Ctrl+P"));
    m_loadDvd = action("ActionLoadDVD", "&Load DVD...", {});
    m_cropTrim = action("ActionCropTrim", "C&rop && Trim", {});
    m_cropTrim->setVisible(false);
    m_dvd = std::make_unique<DvdSource>(ProgramDir());

    const auto button = [this](const char* name, QAction* bound, int top) {
        auto* created = new QPushButton(bound->text(), this);
        created->setObjectName(name);
        created->setGeometry(kButtonLeft, top, kButtonWidth, 28);
        connect(created, &QPushButton::clicked, bound, &QAction::trigger);
        connect(bound, &QAction::changed, created, [created, bound] {
            created->setEnabled(bound->isEnabled());
            created->setVisible(bound->isVisible());
        });
        created->setEnabled(bound->isEnabled());
        return created;
    };
    m_addDvdButton = button("ButtonAddDVD", m_loadDvd, 8);
    m_addButton = button("ButtonAdd", m_add, 40);
    button("ButtonDelete", m_delete, 90);
    button("ButtonClear", m_clear, 122);
    button("ButtonMoveUp", m_moveUp, 172);
    button("ButtonMoveDown", m_moveDown, 204);
    button("ButtonPlay", m_play, 254);

    m_popup = new QMenu(this);
    m_popup->setObjectName("PopupMenuGrid");
    m_popup->addAction(m_add);
    m_popup->addAction(m_delete);
    m_popup->addAction(m_clear);
    m_popup->addSeparator();
    m_popup->addAction(m_moveUp);
    m_popup->addAction(m_moveDown);
    m_popup->addSeparator();
    m_popup->addAction(m_play);
    m_popup->addAction(m_cropTrim);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_popup->popup(m_grid->viewport()->mapToGlobal(at)); });

    connect(m_add, &QAction::triggered, this, &InputPage::ActionAddExecute);
    const auto listAction = [this](QAction* bound, std::function<void(InputList&)> change) {
        connect(bound, &QAction::triggered, this, [this, change = std::move(change)] {
            change(m_inputs);
            ListChanged();
        });
    };
    listAction(m_delete, [](InputList& list) { list.DeleteSelected(); });
    listAction(m_clear, [](InputList& list) { list.Clear(); });
    listAction(m_moveUp, [](InputList& list) { list.MoveUp(); });
    listAction(m_moveDown, [](InputList& list) { list.MoveDown(); });
    connect(m_play, &QAction::triggered, this, &InputPage::ActionPlayExecute);
    connect(m_loadDvd, &QAction::triggered, this, &InputPage::ActionLoadDVDExecute);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &InputPage::ActionPlayExecute);
    connect(m_grid, &NextGrid::RowDragged, this, [this](int from, int to) {
        m_inputs.Move(from, to);
        ListChanged();
    });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                m_inputs.Select(current.isValid() ? current.row() : -1);
                UpdateActions();
            });
    UpdateActions();
}

InputPage::~InputPage() = default;

void InputPage::SetDvdVisible(bool visible) {
    m_loadDvd->setVisible(visible);
    m_loadDvd->setEnabled(visible);
    m_addDvdButton->setVisible(visible);
    m_addButton->move(kButtonLeft, visible ? 40 : 8);
}

void InputPage::AddFiles(const std::vector<std::string>& names) {
    if (names.empty()) {
        return;
    }
    BusyScope busy;
    const int before = m_inputs.Count();
    std::vector<std::string> failed;
    {
        // Many files take a while: after a second the window shows how far it got.
        QProgressDialog progress("Adding files...", QString(), 0, static_cast<int>(names.size()),
                                 window());
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(1000);
        progress.setCancelButton(nullptr);
        try {
            for (std::size_t i = 0; i < names.size(); ++i) {
                progress.setValue(static_cast<int>(i));
                for (std::string& text : m_inputs.AddFiles(m_engine.Probe(), {names[i]}, m_log)) {
                    failed.push_back(std::move(text));
                }
            }
        } catch (const std::exception& error) {
            ListChanged();
            ShowErrorText(window(), QString::fromStdString(error.what()));
            return;
        }
    }
    ListChanged();
    if (m_inputs.Count() > before) {
        m_grid->scrollTo(m_model->index(m_inputs.Count() - 1, 0));
    }
    if (!failed.empty()) {
        TFormFailedAddFile report(failed, m_edition, window());
        const QRect main = window()->frameGeometry();
        report.move(main.left() + (main.width() - report.width()) / 2,
                    main.top() + (main.height() - report.height()) / 2);
        ExecModal(report);
    }
}

void InputPage::DropFiles(const std::vector<std::string>& names) {
    BusyScope busy;
    std::vector<std::string> media;
    for (const std::string& dropped : names) {
        const std::string name = dropped.substr(0, kDroppedNameLimit);
        std::error_code error;
        if (std::filesystem::is_directory(name, error) || !IsMediaExtension(FileExtension(name))) {
            continue;
        }
        media.push_back(name);
    }
    AddFiles(media);
}

void InputPage::Refresh() {
    ListChanged();
}

void InputPage::ActionAddExecute() {
    FileRequest request;
    request.Caption = "Open";
    request.Folder = QString::fromStdString(m_settings.LastOpenDir);
    request.Filter = kOpenFilter;
    const std::vector<std::string> names = ChooseOpenFiles(window(), request);
    if (names.empty()) {
        return;
    }
    AddFiles(names);
    m_settings.LastOpenDir = WithTrailingBackslash(ExtractFilePath(names.front()));
}

void InputPage::ActionPlayExecute() {
    if (m_inputs.CanPlay()) {
        // A DVD title's row names no file: its disc is what can be opened.
        const InputItem& item = m_inputs.Items()[static_cast<std::size_t>(m_inputs.Selected())];
        OpenWithShell(item.Dvd ? item.Dvd->Root : item.FileFullName);
    }
}

void InputPage::ActionLoadDVDExecute() {
    const std::optional<DvdTitleChoice> choice = m_dvd->LoadDvd(this);
    if (!choice) {
        return;
    }
    QCoreApplication::processEvents();
    m_inputs.AddDvdTitle(*choice);
    ListChanged();
}

void InputPage::ListChanged() {
    m_model->Reset();
    if (m_inputs.Selected() >= 0) {
        m_grid->setCurrentIndex(m_model->index(m_inputs.Selected(), 0));
    }
    UpdateActions();
}

void InputPage::UpdateActions() {
    m_delete->setEnabled(m_inputs.CanDelete());
    m_play->setEnabled(m_inputs.CanPlay());
    m_clear->setEnabled(m_inputs.CanClear());
    m_moveUp->setEnabled(m_inputs.CanMoveUp());
    m_moveDown->setEnabled(m_inputs.CanMoveDown());
}

}  // namespace mw
