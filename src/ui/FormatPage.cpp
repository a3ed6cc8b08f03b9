#include "FormatPage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <algorithm>

#include "ChoiceButton.h"
#include "PageWidgets.h"
#include "core/EditionConfig.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "formats/PresetCatalog.h"

namespace mw {

namespace {

constexpr int kPageWidth = 540;  // page Step2
constexpr int kClassPageWidth = 520;
constexpr QSize kFormatCell(62, 57);
constexpr QSize kClassCell(171, 32);
constexpr int kPresetListTop = 170;

std::size_t ClassSlot(FormatClass formatClass) {
    return static_cast<std::size_t>(formatClass);
}

const std::array<const char*, 3> kClassPageNames = {
    "TabSheetToFormatVideo", "TabSheetToFormatDevice", "TabSheetToFormatAudio"};
const std::array<const char*, 3> kClassButtonNames = {"ButtonToFormatVideo", "ButtonToFormatDevice",
                                                      "ButtonToFormatAudio"};
const std::array<const char*, 3> kPresetLabelNames = {"LabelPresetsVideo", "LabelPresetsDevice",
                                                      "LabelPresetsAudio"};

// A chosen button is disabled, and a disabled button gives its focus to the next control in
// the chain, which wraps round to the folder box and selects its text. The keyboard's focus
// goes on to the control the choice leads to instead.
void HandFocusOver(QWidget& from, QWidget* to) {
    if (to && from.window()->focusWidget() == &from) {
        to->setFocus(Qt::OtherFocusReason);
    }
}

QString ButtonCaption(const OutputFormat& format) {
    QString caption = QString::fromUtf8(format.Name.data(), qsizetype(format.Name.size()));
    if (caption == "mobile phone") {
        caption = "Mobile Phone";
    }
    return caption;
}

}  // namespace

FormatPage::FormatPage(UserSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setObjectName("TabSheetStep2");
    auto* folderLabel = new QLabel("Output folder:", this);
    folderLabel->setGeometry(18, 14, 300, 20);
    m_outputDir = Placed(new QLineEdit(this), "EditOutputDir", {18, 38, 400, 28});
    auto* select = Placed(new QPushButton("Select...", this), "ButtonSelectDir", {426, 38, 96, 28});
    connect(select, &QPushButton::clicked, this, &FormatPage::ButtonSelectDirClick);

    auto* formatLabel = new QLabel("Output format:", this);
    formatLabel->setObjectName("LabelOutputFormat");
    QFont bold = formatLabel->font();
    bold.setBold(true);
    formatLabel->setFont(bold);
    formatLabel->setGeometry(18, 100, 300, 24);

    m_classPages =
        Placed(new QStackedWidget(this), "RzPageControlToFormat", {10, 172, kClassPageWidth, 240});

    for (FormatClass formatClass : {FormatClass::Video, FormatClass::Device, FormatClass::Audio}) {
        const std::size_t slot = ClassSlot(formatClass);
        ClassPage& page = m_pages[slot];
        page.Page = new QWidget;
        page.Page->setObjectName(kClassPageNames[slot]);
        m_classPages->addWidget(page.Page);

        auto* classButton =
            new ChoiceButton(QString::fromUtf8(ClassName(formatClass).data(),
                                               qsizetype(ClassName(formatClass).size())),
                             {}, this);
        classButton->setObjectName(kClassButtonNames[slot]);
        classButton->resize(kClassCell);
        connect(classButton, &QAbstractButton::clicked, this,
                [this, formatClass] { SelectFormatClass(formatClass); });
        m_classButtons[slot] = classButton;

        auto* presetsLabel = new QLabel("Presets:", page.Page);
        presetsLabel->setObjectName(kPresetLabelNames[slot]);
        presetsLabel->setGeometry(10, kPresetListTop - 22, 200, 20);
        page.Lists = new QStackedWidget(page.Page);
        page.Lists->setGeometry(10, kPresetListTop, 418, 30);

        for (const OutputFormat& format : OutputFormatsOf(formatClass)) {
            auto* button = new ChoiceButton(
                ButtonCaption(format),
                QString::fromUtf8(format.Extension.data(), qsizetype(format.Extension.size())),
                page.Page);
            button->setObjectName(
                QString::fromUtf8(format.ButtonName.data(), qsizetype(format.ButtonName.size())));
            button->resize(kFormatCell);
            connect(
                button, &QAbstractButton::clicked, this,
                [this, formatClass, index = format.Index] { SelectFormat(formatClass, index); });
            page.Buttons.push_back(button);

            auto* list = new QComboBox;
            list->setObjectName(QString::fromUtf8(format.PresetListName.data(),
                                                  qsizetype(format.PresetListName.size())));
            list->setMaxVisibleItems(10);
            page.Lists->addWidget(list);
            page.PresetLists.push_back(list);
        }
    }

    // Tab goes from the folder to the classes, then to the formats and the preset list of
    // the class shown; hidden controls are passed over.
    std::vector<QWidget*> chain = {m_outputDir, select};
    chain.insert(chain.end(), m_classButtons.begin(), m_classButtons.end());
    for (const ClassPage& page : m_pages) {
        chain.insert(chain.end(), page.Buttons.begin(), page.Buttons.end());
        chain.insert(chain.end(), page.PresetLists.begin(), page.PresetLists.end());
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        setTabOrder(chain[i - 1], chain[i]);
    }
}

void FormatPage::LayoutButtons(const EditionConfig& edition) {
    std::vector<ChoiceButton*> visibleClasses;
    for (FormatClass formatClass : {FormatClass::Video, FormatClass::Device, FormatClass::Audio}) {
        ClassPage& page = m_pages[ClassSlot(formatClass)];
        int cell = 0;
        for (const OutputFormat& format : OutputFormatsOf(formatClass)) {
            ChoiceButton* button = page.Buttons[static_cast<std::size_t>(format.Index)];
            const bool enabled = FormatEnabled(edition, format);
            button->setVisible(enabled);
            if (enabled) {
                const CellRect rect = GridCellRect(kClassPageWidth, 5, 10, cell++,
                                                   kFormatCell.width(), kFormatCell.height(), 3, 2);
                button->move(rect.Left, rect.Top);
            }
        }
        ChoiceButton* classButton = m_classButtons[ClassSlot(formatClass)];
        classButton->setVisible(cell > 0);
        if (cell > 0) {
            visibleClasses.push_back(classButton);
        }
    }
    for (std::size_t i = 0; i < visibleClasses.size(); ++i) {
        const CellRect rect = GridCellRect(kPageWidth, 135, 18, static_cast<int>(i),
                                           kClassCell.width(), kClassCell.height(), 0, 0);
        visibleClasses[i]->move(rect.Left, rect.Top);
    }
    if (visibleClasses.size() == 1) {
        for (ChoiceButton* button : m_classButtons) {
            button->setVisible(false);
        }
        m_classPages->move(m_classPages->x(), 120);
    } else {
        m_classPages->move(m_classPages->x(), 172);
    }
}

void FormatPage::SetAccent(const QColor& accent) {
    for (ChoiceButton* button : findChildren<ChoiceButton*>()) {
        button->SetAccent(accent);
    }
}

void FormatPage::FillPresetLists() {
    for (const OutputFormat& format : OutputFormats()) {
        QComboBox* list = PresetList(format);
        for (const PresetRow& row : PresetsOf(format).Rows) {
            list->addItem(QString::fromUtf8(row.Label.data(), qsizetype(row.Label.size())));
        }
        list->setCurrentIndex(-1);
    }
}

ChoiceButton* FormatPage::ClassButton(FormatClass formatClass) const {
    return m_classButtons[ClassSlot(formatClass)];
}

ChoiceButton* FormatPage::FormatButton(const OutputFormat& format) const {
    return m_pages[ClassSlot(format.Class)].Buttons[static_cast<std::size_t>(format.Index)];
}

QComboBox* FormatPage::PresetList(const OutputFormat& format) const {
    return m_pages[ClassSlot(format.Class)].PresetLists[static_cast<std::size_t>(format.Index)];
}

void FormatPage::SelectFormatClass(FormatClass formatClass) {
    const ClassPage& page = m_pages[ClassSlot(formatClass)];
    m_classPages->setCurrentIndex(static_cast<int>(ClassSlot(formatClass)));
    const auto offered = std::find_if(page.Buttons.begin(), page.Buttons.end(), [&](QWidget* b) {
        return b->isEnabled() && b->isVisibleTo(page.Page);
    });
    HandFocusOver(*m_classButtons[ClassSlot(formatClass)],
                  offered != page.Buttons.end() ? *offered : page.Lists->currentWidget());
    for (std::size_t slot = 0; slot < m_classButtons.size(); ++slot) {
        m_classButtons[slot]->setEnabled(slot != ClassSlot(formatClass));
    }
    m_settings.OutputFormatClass = static_cast<std::uint8_t>(formatClass);
}

void FormatPage::SelectFormat(FormatClass formatClass, int index) {
    ClassPage& page = m_pages[ClassSlot(formatClass)];
    page.Lists->setCurrentIndex(index);
    if (index >= 0 && index < static_cast<int>(page.Buttons.size())) {
        HandFocusOver(*page.Buttons[static_cast<std::size_t>(index)],
                      page.PresetLists[static_cast<std::size_t>(index)]);
    }
    for (std::size_t i = 0; i < page.Buttons.size(); ++i) {
        page.Buttons[i]->setEnabled(static_cast<int>(i) != index);
    }
    const auto value = static_cast<std::uint8_t>(index);
    switch (formatClass) {
        case FormatClass::Video:
            m_settings.OutputVideoFormat = value;
            break;
        case FormatClass::Device:
            m_settings.OutputDeviceFormat = value;
            break;
        case FormatClass::Audio:
            m_settings.OutputAudioFormat = value;
            break;
    }
}

void FormatPage::ApplyFormatSelection() {
    m_outputDir->setText(QString::fromStdString(m_settings.OutputFileDir));
    if (m_settings.OutputFormatClass <= 2) {
        SelectFormatClass(static_cast<FormatClass>(m_settings.OutputFormatClass));
    }
    const std::pair<FormatClass, int> stored[] = {
        {FormatClass::Audio, m_settings.OutputAudioFormat},
        {FormatClass::Video, m_settings.OutputVideoFormat},
        {FormatClass::Device, m_settings.OutputDeviceFormat},
    };
    for (const auto& [formatClass, index] : stored) {
        if (index < static_cast<int>(OutputFormatsOf(formatClass).size())) {
            SelectFormat(formatClass, index);
        }
    }
    for (const OutputFormat& format : OutputFormats()) {
        const std::int32_t* row = m_settings.PresetIndex(format.SettingsKey);
        QComboBox* list = PresetList(format);
        // A stored row beyond the list selects nothing.
        list->setCurrentIndex(row && *row < list->count() ? *row : -1);
    }
}

void FormatPage::ReadFormatSelection() {
    m_settings.OutputFileDir = WithTrailingBackslash(m_outputDir->text().toStdString());
    for (const OutputFormat& format : OutputFormats()) {
        if (std::int32_t* row = m_settings.PresetIndex(format.SettingsKey)) {
            *row = PresetList(format)->currentIndex();
        }
    }
}

void FormatPage::ButtonSelectDirClick() {
    SelectFolderInto(*m_outputDir, m_settings.OutputFileDir);
}

}  // namespace mw
