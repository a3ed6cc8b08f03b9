#include "DVDSelectFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "Busy.h"
#include "Dialogs.h"
#include "WorkerCall.h"
#include "core/UtilFuncs.h"
#include "dvd/DVDPlugIn.h"
#include "dvd/DvdDrives.h"

namespace mw {

namespace {

constexpr const char* kCaption = "Select a DVD device or a DVD folder";

// A number that only its arrows change.
class ChapterSpinBox : public QSpinBox {
public:
    ChapterSpinBox(const char* name, const char* textName, QWidget* parent) : QSpinBox(parent) {
        setObjectName(name);
        lineEdit()->setObjectName(textName);
        lineEdit()->setReadOnly(true);
        setRange(0, 0);
        setMinimumWidth(70);
    }
};

QComboBox* DropDownList(const char* name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(false);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
    return list;
}

QLabel* Caption(const char* name, const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

void Fill(QComboBox* list, const std::vector<dvd::StreamChoice>& choices) {
    for (const dvd::StreamChoice& choice : choices) {
        list->addItem(QString::fromStdString(choice.Text), choice.Id);
    }
    list->setCurrentIndex(0);
}

}  // namespace

TfrmDVDSelect::TfrmDVDSelect(dvd::DVDPlugIn& plugIn, QWidget* parent)
    : QDialog(parent), m_plugIn(plugIn) {
    setObjectName("frmDVDSelect");
    setWindowTitle(kCaption);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(760, 560);

    m_open = new QPushButton("Open DVD", this);
    m_open->setObjectName("btnOpen");
    m_open->setAutoDefault(false);
    m_menu = new QMenu(this);
    m_menu->setObjectName("PopupMenuDVD");
    connect(m_open, &QPushButton::clicked, this,
            [this] { m_menu->popup(m_open->mapToGlobal(m_open->rect().bottomLeft())); });

    m_titles = DropDownList("cboTitles", this);
    m_deinterlace = new QCheckBox("Deinterlace", this);
    m_deinterlace->setObjectName("chkDeinterlace");
    m_from = new ChapterSpinBox("updFrom", "txtFrom", this);
    m_to = new ChapterSpinBox("updTo", "txtTo", this);
    m_audio = DropDownList("cboAudio", this);
    m_subtitle = DropDownList("cboSubtitle", this);

    m_ok = new QPushButton("OK", this);
    m_ok->setObjectName("btnOk");
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = new QPushButton("Cancel", this);
    m_cancel->setObjectName("btnCancel");
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_log = new QPlainTextEdit(this);
    m_log->setObjectName("mmoLog");
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixed("Courier New");
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    m_log->setFont(fixed);

    auto* choices = new QGridLayout;
    choices->addWidget(m_open, 0, 0);
    choices->addWidget(Caption("Label1", "Select a title", m_titles, this), 1, 0);
    choices->addWidget(m_titles, 1, 1, 1, 3);
    choices->addWidget(m_deinterlace, 1, 4);
    choices->addWidget(Caption("Label2", "Chapter From", m_from, this), 2, 0);
    choices->addWidget(m_from, 2, 1);
    choices->addWidget(Caption("Label3", "To", m_to, this), 2, 2, Qt::AlignRight);
    choices->addWidget(m_to, 2, 3);
    choices->addWidget(Caption("Label4", "Audio", m_audio, this), 3, 0);
    choices->addWidget(m_audio, 3, 1, 1, 3);
    choices->addWidget(Caption("Label5", "Subtitle", m_subtitle, this), 4, 0);
    choices->addWidget(m_subtitle, 4, 1, 1, 3);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(m_log, 1);
    layout->addLayout(buttons);

    connect(m_titles, &QComboBox::currentIndexChanged, this, &TfrmDVDSelect::TitleChange);
    connect(m_from, &QSpinBox::valueChanged, this, &TfrmDVDSelect::FromChanged);
    connect(m_to, &QSpinBox::valueChanged, this, &TfrmDVDSelect::ToChanged);

    TitleChange();
    BuildMenu();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TfrmDVDSelect::BuildMenu() {
    QMenu* devices = m_menu->addMenu("Select DVD Device");
    const std::vector<std::string> roots = dvd::OpticalDriveRoots();
    if (roots.empty()) {
        devices->addAction("No DVD Device found")->setEnabled(false);
    }
    for (const std::string& root : roots) {
        // A mounted disc opens as a folder; an unmounted drive opens as its device.
        const std::string opened = root.starts_with("/dev/") ? root : WithTrailingBackslash(root);
        QAction* entry = devices->addAction(QString::fromStdString(root));
        connect(entry, &QAction::triggered, this, [this, opened] { OpenDvdRoot(opened); });
    }
    m_menu->addSeparator();
    connect(m_menu->addAction("Select DVD Folder"), &QAction::triggered, this,
            &TfrmDVDSelect::SelectDvdFolder);
    connect(m_menu->addAction("Select DVD Image..."), &QAction::triggered, this,
            &TfrmDVDSelect::SelectDvdImage);
}

void TfrmDVDSelect::SelectDvdFolder() {
    std::string folder = QDir(QString::fromStdString(m_lastFolder)).exists() ? m_lastFolder : "";
    if (!BrowseForFolder(this, folder, "Select DVD Folder")) {
        return;
    }
    m_lastFolder = WithTrailingBackslash(folder);
    OpenDvdRoot(m_lastFolder);
}

void TfrmDVDSelect::SelectDvdImage() {
    FileRequest request;
    request.Caption = "Select DVD Image";
    request.Folder = QString::fromStdString(m_lastImageFolder);
    request.Filter = "DVD Images (*.iso)|*.iso;*.ISO|All Files|*.*";
    const std::vector<std::string> chosen = ChooseOpenFiles(this, request);
    if (chosen.empty()) {
        return;
    }
    m_lastImageFolder = ExtractFilePath(chosen.front());
    OpenDvdRoot(chosen.front());
}

void TfrmDVDSelect::OpenDvdRoot(const std::string& root) {
    if (m_opening) {
        return;
    }
    m_opening = true;
    m_open->setEnabled(false);
    std::optional<dvd::DvdDisc> disc;
    {
        BusyScope busy;
        m_plugIn.ClearCancel();
        disc = RunOnWorker([this, root] { return dvd::ReadDvdRoot(m_plugIn, root); });
    }
    m_opening = false;
    m_open->setEnabled(true);
    if (m_closeAfterOpening) {
        m_closeAfterOpening = false;
        QDialog::reject();
        return;
    }
    if (!disc) {
        MessageRequest request;
        request.Icon = QMessageBox::Information;
        request.Caption = "Message";
        request.Text = dvd::kNoTitlesMessage;
        ShowMessage(this, request);
        return;
    }
    m_root = root;
    m_ok->setEnabled(false);
    {
        const QSignalBlocker blocker(m_titles);
        m_titles->clear();
        m_entries = std::move(disc->Titles);
        for (const dvd::DvdTitleEntry& entry : m_entries) {
            m_titles->addItem(QString::fromStdString(entry.Caption));
        }
    }
    m_log->clear();
    for (const std::string& line : disc->Log) {
        m_log->appendPlainText(QString::fromStdString(line));
    }
    m_log->moveCursor(QTextCursor::Start);
    m_titles->setCurrentIndex(m_entries.empty() ? -1 : 0);
    TitleChange();
    if (disc->Encrypted) {
        ShowNotice(this, dvd::kEncryptedMessage);
    }
}

void TfrmDVDSelect::TitleChange() {
    m_audio->clear();
    m_subtitle->clear();
    const int index = m_titles->currentIndex();
    const dvd::TDVDTitle* record = index >= 0 &&
                                           static_cast<std::size_t>(index) < m_entries.size() &&
                                           m_entries[static_cast<std::size_t>(index)].Record
                                       ? &*m_entries[static_cast<std::size_t>(index)].Record
                                       : nullptr;
    if (record != nullptr) {
        m_range = dvd::ChapterRange::Whole(record->ChapterCount);
        const QSignalBlocker fromBlocker(m_from);
        const QSignalBlocker toBlocker(m_to);
        m_from->setRange(1, std::max(record->ChapterCount, 1));
        m_from->setValue(m_range.From);
        m_to->setRange(1, std::max(record->ChapterCount, 1));
        m_to->setValue(m_range.To);
        Fill(m_audio, dvd::AudioChoices(*record));
        Fill(m_subtitle, dvd::SubtitleChoices(*record));
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_from, m_to, m_audio, m_subtitle, m_ok}) {
        control->setEnabled(record != nullptr);
    }
}

void TfrmDVDSelect::FromChanged(int from) {
    m_range.SetFrom(from);
    const QSignalBlocker blocker(m_to);
    m_to->setValue(m_range.To);
}

void TfrmDVDSelect::ToChanged(int to) {
    m_range.SetTo(to);
    const QSignalBlocker blocker(m_from);
    m_from->setValue(m_range.From);
}

std::optional<DvdTitleChoice> TfrmDVDSelect::TitleChoice() const {
    const int index = m_titles->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size() ||
        !m_entries[static_cast<std::size_t>(index)].Record) {
        return std::nullopt;
    }
    DvdTitleChoice choice;
    choice.Root = m_root;
    choice.TitleIndex = index;
    choice.ChapterFrom = m_from->value() - 1;
    choice.ChapterTo = m_to->value() - 1;
    choice.AudioId = m_audio->currentData().toInt();
    choice.AudioText = m_audio->currentText().toStdString();
    choice.SubtitleId = m_subtitle->currentData().toInt();
    choice.SubtitleText = m_subtitle->currentText().toStdString();
    choice.Mode = 2;
    choice.Deinterlace = m_deinterlace->isChecked();
    return choice;
}

void TfrmDVDSelect::reject() {
    // Closing while a disc is being read ends the reading first; the dialog closes after.
    if (m_opening) {
        m_closeAfterOpening = true;
        m_plugIn.Cancel();
        return;
    }
    QDialog::reject();
}

void TfrmDVDSelect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_open->setFocus();
}

}  // namespace mw
