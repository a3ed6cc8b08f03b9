#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace mw {

class ConversionDriver;
struct UserSettings;

// Page Step4: the summary of a run.
class FinishPage : public QWidget {
    Q_OBJECT
public:
    FinishPage(const UserSettings& settings, QWidget* parent);

    // The two finish lines, formatted once with the title.
    void SetTitle(const QString& title);
    void ShowSummary(const ConversionDriver& driver);

    // "The conversion was cancelled.", shown above the counts after a cancelled run.
    QLabel* LabelFinishCancelled() const { return m_cancelled; }
    QLabel* LabelFinishTotalFiles() const { return m_total; }
    QLabel* LabelFinishSuccessed() const { return m_succeeded; }
    QLabel* LabelFinishFailed() const { return m_failed; }
    QPlainTextEdit* MemoErrorLog() const { return m_errors; }
    QLabel* LabelOpenFolder() const { return m_openFolder; }

private:
    const UserSettings& m_settings;
    QLabel* m_title1;
    QLabel* m_title2;
    QLabel* m_cancelled;
    QLabel* m_total;
    QLabel* m_succeeded;
    QLabel* m_failed;
    QPlainTextEdit* m_errors;
    QLabel* m_openFolder;
};

}  // namespace mw
