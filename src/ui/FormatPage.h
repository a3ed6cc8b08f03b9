#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "formats/FormatCatalog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace mw {

class ChoiceButton;
struct EditionConfig;
struct UserSettings;

// Page Step2: the output folder, the class, the format and its preset.
class FormatPage : public QWidget {
    Q_OBJECT
public:
    FormatPage(UserSettings& settings, QWidget* parent);

    // Shows the edition's formats in the grid of their class page and the class buttons
    // of the classes that have any.
    void LayoutButtons(const EditionConfig& edition);
    void SetAccent(const QColor& accent);
    // The labels of every format's presets, in row order.
    void FillPresetLists();

    void SelectFormatClass(FormatClass formatClass);
    void SelectFormat(FormatClass formatClass, int index);
    // Shows the stored choices on all three class pages.
    void ApplyFormatSelection();
    // Stores the preset choices and the output folder.
    void ReadFormatSelection();
    void ButtonSelectDirClick();

    QLineEdit* EditOutputDir() const { return m_outputDir; }
    QStackedWidget* PageControlToFormat() const { return m_classPages; }
    ChoiceButton* ClassButton(FormatClass formatClass) const;
    ChoiceButton* FormatButton(const OutputFormat& format) const;
    QComboBox* PresetList(const OutputFormat& format) const;

private:
    struct ClassPage {
        QWidget* Page = nullptr;
        QStackedWidget* Lists = nullptr;
        std::vector<ChoiceButton*> Buttons;
        std::vector<QComboBox*> PresetLists;
    };

    UserSettings& m_settings;
    QLineEdit* m_outputDir;
    QStackedWidget* m_classPages;
    std::array<ChoiceButton*, 3> m_classButtons{};
    std::array<ClassPage, 3> m_pages;
};

}  // namespace mw
