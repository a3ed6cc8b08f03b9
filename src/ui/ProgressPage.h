#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QTreeWidget;

namespace mw {

class ConversionDriver;
struct UserSettings;

// Page Step3: the conversion list, the run's status and the post-progress options.
class ProgressPage : public QWidget {
    Q_OBJECT
public:
    ProgressPage(UserSettings& settings, QWidget* parent);

    // Shows the driver's rows, captions, file, percentage and times.
    void Render(const ConversionDriver& driver);
    // The check boxes show the stored options (entering the page).
    void LoadOptions();
    void Clear();

    QTreeWidget* ListViewConverting() const { return m_list; }
    QLabel* LabelCurrentFileTitle() const { return m_currentFileTitle; }
    QLabel* LabelCurrentFile() const { return m_currentFile; }
    QLabel* LabelProgress() const { return m_progressText; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QCheckBox* CheckBoxPlayASound() const { return m_playSound; }
    QCheckBox* CheckBoxShutdown() const { return m_shutdown; }

private:
    UserSettings& m_settings;
    QTreeWidget* m_list;
    QLabel* m_currentFileTitle;
    QLabel* m_currentFile;
    QLabel* m_estimated;
    QLabel* m_elapsed;
    QLabel* m_timeLeft;
    QLabel* m_progressText;
    QProgressBar* m_progress;
    QCheckBox* m_playSound;
    QCheckBox* m_shutdown;
};

}  // namespace mw
